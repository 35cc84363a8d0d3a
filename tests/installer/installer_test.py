#!/usr/bin/python3
"""The package: releases refused; the test packages built and checked; under Wine, install, upgrade,
downgrade refused, uninstall. Usage: installer_test.py BUILD_DIR CMAKE VERSION NEXT BUNDLE_DIR"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import types

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "..", d) for d in ("tools", "standins/signing")]
import package_table  # noqa: E402
import test_signing  # noqa: E402
import wine_rig as w  # noqa: E402
from wine_rig import run  # noqa: E402

PRODUCT = "Quenbrel (test)"
INSTALL_DIR = "C:\\Program Files\\" + PRODUCT
LIBRARIES = ["flutter_windows.dll", "flutter_inappwebview_windows_plugin.dll"]
PROGRAMS = {"quenbrel.exe": "Quenbrel",
            "quenbrel-printers.exe": "Quenbrel printer check for shop support"}
RUN_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
PRODUCTS_KEY = "HKLM\\Software\\Classes\\Installer\\Products"
SOFTWARE = ("HKLM\\Software", "HKCU\\Software")  # all that an install may change
ICON = open(os.path.join(w.ROOT, "resources", "app_icon.ico"), "rb").read()
DOWNGRADE = "Une version plus recente de %s est deja installee" % PRODUCT
# The Windows Installer's own keys, which stay, empty, once it has installed anything.
INSTALLER_KEYS = {"Installer", "Features", "Products", "UpgradeCodes", "UserData", "S-1-5-18",
                  "Components"}
# The shipped 1.0.0 release's identity, which upgrades and repairs rely on.
RELEASE = {"ProductName": "Quenbrel", "UpgradeCode": "92E678AD-3CDE-4154-8B07-A8B1F53D56B3",
           "ProgramGuid": "6334271C-8618-49D7-A19E-095FA0F3307E",
           "SupportToolGuid": "C8FA9A40-240E-4784-9428-7D7DB7510D0E",
           "EngineLibraryGuid": "F41DB666-BE4B-4DE2-8F66-1A1576C47AE2",
           "WebViewPluginGuid": "9C036A0C-7C7D-45BB-9507-937E2DF59982",
           "AutoStartGuid": "27783AB1-5F2A-4397-8E65-CB3909F4530F"}
PASSWORD = "pass-" + os.urandom(8).hex()
LINKS = {"URLInfoAbout": "https://quenbrel.example/", "HelpLink": "https://quenbrel.example/aide"}


def msiexec(*argv):
    return run(w.WINE_RUN, "msiexec", *argv, "/qn", timeout=120)[0]


def refusals(ctx):
    """A release without what it needs stops with its line; CMake keeps no password given it."""
    build = os.path.join(ctx.work, "release")
    configure = [ctx.cmake, "-S", w.ROOT, "-B", build, "-G", "Ninja", "-DQUENBREL_TESTS=OFF",
                 "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(w.ROOT, "cmake/mingw-w64-x86_64.cmake")]
    for command, line in (  # the line's words, in order
            (configure + ["-DQUENBREL_RELEASE=ON"], "PKCS12.*QUENBREL_SIGN_TIMESTAMP"),
            (configure + ["-DQUENBREL_SIGN_PKCS12=" + ctx.signing.p12], "QUENBREL_SIGN_TIMESTAMP"),
            (configure + ["-DQUENBREL_SIGN_PASSWORD=" + PASSWORD], "PASSWORD.*environment"),
            (configure + ["-DQUENBREL_RELEASE=OFF"], None),
            ([ctx.cmake, "--build", build, "--target", "msi"], "QUENBREL_ENGINE_LIBRARY, "
             "QUENBREL_ENGINE_DLL, QUENBREL_WEBVIEW_PLUGIN_LIBRARY, .*PLUGIN_DLL.*APP_DATA")):
        code, out = run(*command)
        w.check(code == 0 if line is None else code != 0 and re.search(line, out), out)
    w.check(PASSWORD not in open(os.path.join(build, "CMakeCache.txt")).read(), "password kept")


def build_packages(ctx):
    """Both test packages, signed (through standins/signing/strict_osslsigncode) with a wrong
    password, refused, then the right one; no password file left; their paths, oldest first."""
    for password, fails in (("wrong", True), (PASSWORD, False)):
        code, out = run(ctx.cmake, "--build", ctx.build, "--target", "test_package",
                        "test_package_next", timeout=300,
                        env=dict(os.environ, QUENBREL_SIGN_PASSWORD=password))
        w.check((code != 0) == fails and not glob.glob(
            os.path.join(ctx.build, "tests", "installer", "*.secret")), out)  # no password file
    packages = os.path.join(ctx.build, "tests", "installer", "packages")
    return [os.path.join(packages, "quenbrel-test-%s-x64.msi" % v) for v in (ctx.version, ctx.next)]


def check_packages(ctx, msis):
    """Signed and timestamped; the test identity, none of the release's, which stays the shipped
    one; the upgrade's transaction; the summary; the shipped files' rules."""
    for msi in msis:
        verify(ctx, msi)
    release, test = package_table.identity("release"), package_table.identity("test")
    w.check(RELEASE.items() <= release.items(), "the release's identity changed: %r" % release)
    guids = [{r[0] + "Guid": r[1][1:-1] for r in package_table.table(m, "Component")} for m in msis]
    properties = {r[0]: r[1].strip("{}") for r in package_table.table(msis[0], "Property")}
    built = dict(guids[0], **{k: properties[k] for k in ("ProductName", "UpgradeCode")})
    w.check(guids[0] == guids[1] and test.items() - {("FileName", test["FileName"])} <=
            built.items() and not set(built.values()) & set(RELEASE.values()),
            "identity %r" % guids)
    # Wine's msiexec logs no text for a refusal: the message is read from the package.
    w.check(DOWNGRADE in run("msiinfo", "export", msis[0], "LaunchCondition")[1], "message")
    order = {r[0]: int(r[2]) for r in package_table.table(msis[1], "InstallExecuteSequence")}
    w.check(order["InstallInitialize"] < order["RemoveExistingProducts"] <
            order["InstallFinalize"], "the older version is removed outside the transaction")
    w.check("Template: x64;1036" in run("msiinfo", "suminfo", msis[0])[1], "summary language")
    # The stand-ins are built here too: held to the rules of the programs.
    broken = package_table.breaches(package_table.rows(msis[0]), set(PROGRAMS) | set(LIBRARIES))
    w.check(not broken, "shipped files that break the rules: %r" % broken)


def verify(ctx, path):
    code, out = run("osslsigncode", "verify", "-CAfile", ctx.signing.cert, "-TSA-CAfile",
                    ctx.signing.tsa, "-in", path)
    w.check(code == 0 and "Succeeded" in out and
            "Timestamp Server Signature verification: ok" in out, "%s: %s" % (path, out))


def check_installed(ctx, version, autostart):
    """|version|'s files, shortcut, entry, icons, versions, signatures, log-on start; a "list"."""
    installed = w.tree(w.local(INSTALL_DIR))
    bundle = {os.path.join("data", n): d for n, d in w.tree(ctx.bundle).items()}
    w.check(installed.keys() == set(PROGRAMS) | set(LIBRARIES) | {"data"} | bundle.keys() and
            all(installed[n] == d for n, d in bundle.items()), "installed %r" % sorted(installed))
    shortcuts = [p for m in ("ProgramData", "users/*/AppData/Roaming") for p in glob.glob(
        w.local("C:\\" + m + "/Microsoft/Windows/Start Menu/Programs/" + PRODUCT + ".lnk"))]
    w.check(len(shortcuts) == 1, "shortcuts %r" % shortcuts)  # Wine makes it in the user's
    link = open(shortcuts[0], "rb").read()
    texts = [t.decode("utf-16-le") for t in re.findall(rb"(?:[ -~]\x00){4,}", link)]
    w.check((INSTALL_DIR + "\\quenbrel.exe").encode() in link and
            any(t.endswith(INSTALL_DIR + "\\") for t in texts), "target, folder: %r" % texts)
    entries = list(w.registry(UNINSTALL_KEY, DisplayName=PRODUCT).values())
    w.check(len(entries) == 1 and entries[0].items() >= dict(
        LINKS, DisplayVersion=version, Publisher="Quenbrel", NoModify="dword:00000001").items(),
        "entries %r" % entries)
    # Apps & features takes the product's icon from the installer's record of it (Wine writes no
    # DisplayIcon); the shortcut names its own.
    icons = [t[t.index("C:\\"):] for t in texts if t.endswith("\\quenbrel.ico")]
    icons += [k.get("ProductIcon", "") for k in
              w.registry(PRODUCTS_KEY, ProductName=PRODUCT).values()]
    w.check(len(icons) == 2 and all(os.path.isfile(w.local(i)) and
                                    open(w.local(i), "rb").read() == ICON for i in icons),
            "icons %r" % icons)
    for name, description in PROGRAMS.items():
        code, out = run(w.WINE_RUN, os.path.join(ctx.build, "standins", "version_info",
                                                 "version_info.exe"), INSTALL_DIR + "\\" + name)
        w.check(code == 0 and out == (
            "file {0}.0\nproduct {0}.0\nCompanyName=Quenbrel\nFileDescription={1}\n"
            "FileVersion={0}\nInternalName={2}\nLegalCopyright=Copyright (C) 2026 Quenbrel\n"
            "OriginalFilename={2}.exe\nProductName=Quenbrel\nProductVersion={0}\n").format(
                version, description, name[:-4]), "%s:\n%s" % (name, out))
    for name in list(PROGRAMS) + LIBRARIES:
        verify(ctx, w.local(INSTALL_DIR + "\\" + name))
    code, out = run(w.WINE_RUN, INSTALL_DIR + "\\quenbrel-printers.exe", "--version")
    w.check(code == 0 and out.startswith("quenbrel-printers %s\n" % version), out)
    starts = [k.get(PRODUCT) for k in w.registry(RUN_KEY).values()]
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
    with test_signing.signing(ctx.work, PASSWORD) as ctx.signing:
        refusals(ctx)
        old, new = build_packages(ctx)
    check_packages(ctx, [old, new])
    w.prepare()
    # Someone else's log-on start, which ours must leave alone.
    w.check(run(w.WINE_RUN, "reg", "add", RUN_KEY, "/v", "Caisse", "/d", "C:\\caisse.exe",
                "/f")[0] == 0, "reg add")
    files, values = w.tree(w.local("C:\\"), read=False).keys(), w.registry(*SOFTWARE)

    # Public folder properties as IT might try them, which the package does not have.
    w.check(msiexec("/i", w.windows_path(old), "INSTALLDIR=C:\\Caisse", "DATADIR=C:\\Caisse",
                    "TARGETDIR=C:\\Caisse") == 0, "install")
    check_installed(ctx, ctx.version, autostart=False)
    # The support tool in a user's folder beside a planted winspool.drv, which Wine then loads as
    # Windows would (from beside the program first): it lists the devices without loading it.
    os.makedirs(os.path.join(ctx.work, "Downloads"))
    tool = shutil.copy(w.local(INSTALL_DIR + "\\quenbrel-printers.exe"), ctx.work + "/Downloads")
    shutil.copy(ctx.build + "/standins/planted_dll/winspool.drv", ctx.work + "/Downloads")
    code, out = run(w.WINE_RUN, tool, "list",
                    env=dict(os.environ, QUENBREL_WINE_DLL_OVERRIDES="winspool.drv=n,b"))
    w.check(code == 0 and "planted" not in out, "exit %d:\n%s" % (code, out))

    w.check(msiexec("/i", w.windows_path(new), "AUTOSTART=1") == 0, "upgrade")
    check_installed(ctx, ctx.next, autostart=True)

    def state():  # what a refused install must leave as it is: the installed files, our values
        return w.tree(w.local(INSTALL_DIR)), w.registry(UNINSTALL_KEY, RUN_KEY)
    before = state()
    # 1603, a fatal error, as Linux sees it: modulo 256.
    w.check(msiexec("/i", w.windows_path(old)) == 1603 % 256, "the downgrade was not refused")
    w.check(state() == before, "the refused downgrade changed something")
    check_installed(ctx, ctx.next, autostart=True)

    w.check(msiexec("/x", w.windows_path(new)) == 0, "uninstall")
    left = sorted(w.tree(w.local("C:\\"), read=False).keys() - files - {"windows/Installer"})
    w.check(not left, "files left: %s" % left)
    after = w.registry(*SOFTWARE)
    changed = sorted(k for k in values.keys() | after.keys() if values.get(k) != after.get(k) and
                     not (k not in values and not after[k] and
                          k.rsplit("\\", 1)[1] in INSTALLER_KEYS))
    w.check(not changed, "registry changed: %s" % changed[:20])


if __name__ == "__main__":
    ctx = types.SimpleNamespace(**dict(zip(("build", "cmake", "version", "next", "bundle"),
                                           sys.argv[1:6])))
    ctx.work = tempfile.mkdtemp(prefix="work-", dir=os.path.join(ctx.build, "tests", "installer"))
    try:
        with w.private_prefix(ctx.work):
            case(ctx)
    except (w.Failure, OSError, subprocess.SubprocessError) as e:
        sys.exit("FAIL installer: %s" % e)
    finally:
        shutil.rmtree(ctx.work, ignore_errors=True)
    print("PASS installer")
