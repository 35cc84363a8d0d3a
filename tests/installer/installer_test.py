#!/usr/bin/env python3
"""The MSI under Wine, in a fresh private prefix: this version's MSI and the next one, built and
signed with a certificate made here; a silent install that runs and answers "list", an upgrade
with AUTOSTART=1, a refused downgrade, and an uninstall that leaves nothing of ours. Usage:
installer_test.py BUILD_DIR CMAKE VERSION NEXT_VERSION BUNDLE_DIR
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import types

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import wine_rig as w  # noqa: E402

INSTALL_DIR = "C:\\Program Files\\Quenbrel"
LIBRARIES = ["flutter_windows.dll", "flutter_inappwebview_windows_plugin.dll"]
PROGRAMS = {"quenbrel.exe": "Quenbrel",
            "quenbrel-printers.exe": "Quenbrel printer check for shop support"}
RUN_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
PRODUCTS_KEY = "HKLM\\Software\\Classes\\Installer\\Products"
SOFTWARE = ("HKLM\\Software", "HKCU\\Software")  # all that an install may change
ICON = open(os.path.join(w.ROOT, "resources", "app_icon.ico"), "rb").read()
DOWNGRADE = "Une version plus recente de Quenbrel est deja installee"
# The Windows Installer's own keys, which stay, empty, once it has installed anything.
INSTALLER_KEYS = {"Installer", "Features", "Products", "UpgradeCodes", "UserData", "S-1-5-18",
                  "Components"}


def run(*command, timeout=120, env=None):
    """Runs to exit; (status, standard output then error)."""
    code, out, err = w.run_captured(list(command), timeout, env)
    return code, out.replace("\r\n", "\n") + err


def wine(*argv):
    return run(w.WINE_RUN, *argv)


def msiexec(*argv):
    return wine("msiexec", *argv, "/qn")[0]


def local(windows_path):
    """Where a path of the private prefix's drive C: is, seen from Linux."""
    return os.path.join(os.environ["QUENBREL_WINE_ROOT"], "prefix", "drive_c",
                        *windows_path[3:].split("\\"))


def tree(root, read=True):
    """Every folder (None) and file (its bytes if |read|) under |root|, by relative path."""
    return {os.path.relpath(os.path.join(d, n), root): None if n in dirs or not read else
            open(os.path.join(d, n), "rb").read() for d, dirs, names in os.walk(root)
            for n in dirs + names}


def unquoted(text):  # a name or a string as reg export writes it
    return text[1:-1].replace('\\"', '"').replace("\\\\", "\\") if text[:1] == '"' else text


def registry(*roots, **match):
    """The keys under |roots| that hold the values |match|, apart from Wine's own, as {key: {name:
    data}} (strings unquoted, other data as reg export writes it)."""
    keys = {}
    for root in roots:
        w.check(wine("reg", "export", root, "C:\\export.reg", "/y")[0] == 0, "reg export " + root)
        with open(local("C:\\export.reg"), "rb") as f:
            text = f.read().decode("utf-16").replace("\\\r\n  ", "").replace("\r\n", "\n")
        for block in text.split("\n[")[1:]:
            key, _, values = block.partition("]\n")
            keys[key] = {unquoted(n): unquoted(d) for n, d in
                         re.findall(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$', values, re.M)}
    os.unlink(local("C:\\export.reg"))
    return {k: v for k, v in keys.items()
            if "\\Software\\Wine\\" not in k and match.items() <= v.items()}


def build_msis(ctx):
    """Both MSIs, signed with a self-signed certificate made now; their paths, oldest first."""
    key, p12 = os.path.join(ctx.work, "key.pem"), os.path.join(ctx.work, "cert.p12")
    for command in (["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                     "-subj", "/CN=Quenbrel test signing", "-addext",
                     "extendedKeyUsage=codeSigning", "-keyout", key, "-out", ctx.cert],
                    ["openssl", "pkcs12", "-export", "-inkey", key, "-in", ctx.cert, "-out", p12,
                     "-passout", "pass:throwaway"],
                    [ctx.cmake, "--build", ctx.build, "--target", "msi", "msi_next"]):
        code, out = run(*command, timeout=300, env=dict(
            os.environ, QUENBREL_SIGN_PKCS12=p12, QUENBREL_SIGN_PASSWORD="throwaway"))
        w.check(code == 0, out)
    msis = [os.path.join(ctx.build, "installer", "quenbrel-%s-x64.msi" % ctx.version),
            os.path.join(ctx.build, "tests", "installer", "quenbrel-%s-x64.msi" % ctx.next)]
    guids = [{row.split("\t")[0]: row.split("\t")[1] for row in
              run("msiinfo", "export", m, "Component")[1].splitlines()[3:]} for m in msis]
    w.check(guids[0] == guids[1] and len(guids[0]) > 6, "component GUIDs differ: %r" % guids)
    # Wine's msiexec logs no text for a refusal: the message is read from the package.
    w.check(DOWNGRADE in run("msiinfo", "export", msis[0], "LaunchCondition")[1], "message")
    for msi in msis:
        verify(ctx, msi)
    return msis


def verify(ctx, path):
    code, out = run("osslsigncode", "verify", "-CAfile", ctx.cert, "-in", path)
    w.check(code == 0 and "Succeeded" in out, "%s: %s" % (path, out))


def check_installed(ctx, version, autostart):
    """|version|'s files, bundle, shortcut, entry, icons, version resources, signatures and log-on
    start; then the installed program answers "list"."""
    installed = tree(local(INSTALL_DIR))
    bundle = {os.path.join("data", n): d for n, d in tree(ctx.bundle).items()}
    w.check(installed.keys() == set(PROGRAMS) | set(LIBRARIES) | {"data"} | bundle.keys() and
            all(installed[n] == d for n, d in bundle.items()), "installed %r" % sorted(installed))
    shortcuts = [p for m in ("ProgramData", "users/*/AppData/Roaming") for p in glob.glob(
        local("C:\\" + m + "/Microsoft/Windows/Start Menu/Programs/Quenbrel.lnk"))]
    w.check(len(shortcuts) == 1, "shortcuts %r" % shortcuts)  # Wine makes it in the user's
    link = open(shortcuts[0], "rb").read()
    texts = [t.decode("utf-16-le") for t in re.findall(rb"(?:[ -~]\x00){4,}", link)]
    w.check((INSTALL_DIR + "\\quenbrel.exe").encode() in link and
            any(t.endswith(INSTALL_DIR + "\\") for t in texts), "target, folder: %r" % texts)
    entries = list(registry(UNINSTALL_KEY, DisplayName="Quenbrel").values())
    w.check(len(entries) == 1 and entries[0].get("DisplayVersion") == version and
            entries[0].get("Publisher") == "Quenbrel", "entries %r" % entries)
    # Apps & features takes the product's icon from the installer's record of it (Wine writes no
    # DisplayIcon); the shortcut names its own.
    icons = [t[t.index("C:\\"):] for t in texts if t.endswith("\\quenbrel.ico")]
    icons += [k.get("ProductIcon", "") for k in
              registry(PRODUCTS_KEY, ProductName="Quenbrel").values()]
    w.check(len(icons) == 2 and all(os.path.isfile(local(i)) and
                                    open(local(i), "rb").read() == ICON for i in icons),
            "icons %r" % icons)
    for name, description in PROGRAMS.items():
        code, out = wine(os.path.join(ctx.build, "standins", "version_info", "version_info.exe"),
                         INSTALL_DIR + "\\" + name)
        w.check(code == 0 and out == (
            "file {0}.0\nproduct {0}.0\nCompanyName=Quenbrel\nFileDescription={1}\n"
            "FileVersion={0}\nInternalName={2}\nLegalCopyright=Copyright (C) 2026 Quenbrel\n"
            "OriginalFilename={2}.exe\nProductName=Quenbrel\nProductVersion={0}\n").format(
                version, description, name[:-4]), "%s:\n%s" % (name, out))
    for name in list(PROGRAMS) + LIBRARIES:
        verify(ctx, local(INSTALL_DIR + "\\" + name))
    code, out = wine(INSTALL_DIR + "\\quenbrel-printers.exe", "--version")
    w.check(code == 0 and out.startswith("quenbrel-printers %s\n" % version), out)
    starts = [k.get("Quenbrel") for k in registry(RUN_KEY).values()]
    w.check(starts == ['"%s\\quenbrel.exe"' % INSTALL_DIR if autostart else None], starts)
    h = w.Host(ctx.work, program=INSTALL_DIR + "\\quenbrel.exe")
    try:
        reply = h.connect().round_trip(w.call("list"))
        code, log = h.quit(), h.stderr()
        w.check(reply[:2] == b"\x00\x0c" and code == 0 and "breach" not in log,  # a list
                "list: %r, exit %d:\n%s" % (reply, code, log))
    finally:
        h.close()


def case(ctx):
    old, new = build_msis(ctx)
    w.prepare()
    # Someone else's log-on start, which ours must leave alone.
    w.check(wine("reg", "add", RUN_KEY, "/v", "Caisse", "/d", "C:\\caisse.exe", "/f")[0] == 0,
            "reg add")
    files, values = tree(local("C:\\"), read=False).keys(), registry(*SOFTWARE)

    w.check(msiexec("/i", w.windows_path(old)) == 0, "install")
    check_installed(ctx, ctx.version, autostart=False)

    w.check(msiexec("/i", w.windows_path(new), "AUTOSTART=1") == 0, "upgrade")
    check_installed(ctx, ctx.next, autostart=True)

    def state():  # what a refused install must leave as it is: the installed files, our values
        return tree(local(INSTALL_DIR)), registry(UNINSTALL_KEY, RUN_KEY)
    before = state()
    # 1603, a fatal error, as Linux sees it: modulo 256.
    w.check(msiexec("/i", w.windows_path(old)) == 1603 % 256, "the downgrade was not refused")
    w.check(state() == before, "the refused downgrade changed something")
    check_installed(ctx, ctx.next, autostart=True)

    w.check(msiexec("/x", w.windows_path(new)) == 0, "uninstall")
    left = sorted(tree(local("C:\\"), read=False).keys() - files - {"windows/Installer"})
    w.check(not left, "files left: %s" % left)
    after = registry(*SOFTWARE)
    changed = sorted(k for k in values.keys() | after.keys() if values.get(k) != after.get(k) and
                     not (k not in values and not after[k] and
                          k.rsplit("\\", 1)[1] in INSTALLER_KEYS))
    w.check(not changed, "registry changed: %s" % changed[:20])


if __name__ == "__main__":
    build, cmake, version, next_version, bundle = sys.argv[1:6]
    work = tempfile.mkdtemp(prefix="installer-", dir=os.path.abspath(build))
    os.environ["QUENBREL_WINE_ROOT"] = os.path.join(work, "wine")
    try:
        case(types.SimpleNamespace(build=os.path.abspath(build), cmake=cmake, version=version,
                                   next=next_version, bundle=bundle, work=work,
                                   cert=os.path.join(work, "cert.pem")))
    except (w.Failure, OSError, subprocess.SubprocessError) as e:
        sys.exit("FAIL installer: %s" % e)
    finally:
        subprocess.run(["bash", "-c", 'source "$1" && wineserver -k', "-",
                        os.path.join(w.ROOT, "tools", "wine-env")], timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(work, ignore_errors=True)
    print("PASS installer")
