// Tickets composed by ReceiptPrinterEncoder, as a shop's app would, for receipt_test.py: prints a
// JSON list of {name, paper, bytes (hex), lines (the text rows, trailing spaces cut), codes (as
// zbarimg names them), images}. Usage: node tickets.mjs NPM_DIR (where the encoder is installed).
import {createRequire} from 'node:module';
import path from 'node:path';

const require = createRequire(path.join(path.resolve(process.argv[2]), 'node_modules'));
const Encoder = require('@point-of-sale/receipt-printer-encoder');
const ImageData = require('@canvas/image-data');

// The test image: a slanted pattern, so a mirrored, turned or shifted drawing differs.
export const dark = (x, y) => (x + 2 * y) % 5 < 2;
function pattern(width, height) {
  const image = new ImageData(width, height);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const v = dark(x, y) ? 0 : 255;
      image.data.set([v, v, v, 255], 4 * (y * width + x));
    }
  }
  return image;
}
const columns = (width, left, right) => left.padEnd(width - right.length) + right;
const hex = (bytes) => Buffer.from(bytes).toString('hex');

function bakery() {  // 80 mm, 48 columns, the encoder choosing code pages by Epson's numbering
  const e = new Encoder({columns: 48, codepageMapping: 'epson'});
  const items = [['2 x Croissant au beurre', '2,40 €'], ['1 x Pain de campagne', '3,10 €'],
    ['1 x Tarte aux pommes', '4,50 €']];
  e.initialize().codepage('auto').align('center').width(2).line('Boulangerie Quenbrel').width(1)
      .line('12 rue des Lilas, 75011 Paris').align('left').rule()
      .table([{width: 40}, {width: 8, align: 'right'}], items).rule()
      .bold(true).line(columns(48, 'TOTAL', '10,00 €')).bold(false)
      .font('B').line('Police B : 64 colonnes'.padEnd(64, '.')).font('A')
      .underline(true).line('Souligné').underline(false).invert(true).line('Inversé').invert(false)
      .align('center')
      .qrcode('https://quenbrel.example/fidelite/0042', {size: 6, errorlevel: 'm'})
      .barcode('3017620422003', 'ean13', {height: 60, text: 'below'})
      .barcode('QB-2024-0042', 'code128', {height: 60})
      .image(pattern(32, 24), {width: 32, height: 24, algorithm: 'threshold', mode: 'raster'})
      .cut();
  return {name: 'bakery', paper: 80, bytes: hex(e.encode()),
    lines: ['    Boulangerie Quenbrel', '         12 rue des Lilas, 75011 Paris',
      '─'.repeat(48),
      ...items.map(([l, r]) => columns(48, l, r)), '─'.repeat(48), columns(48, 'TOTAL', '10,00 €'),
      'Police B : 64 colonnes'.padEnd(64, '.'), 'Souligné', 'Inversé'],
    codes: ['QR-Code:https://quenbrel.example/fidelite/0042', 'EAN-13:3017620422003',
      'CODE-128:QB-2024-0042'],
    images: [[32, 24]]};
}

function languages() {  // 58 mm, 32 columns, tables offered in another order
  const e = new Encoder({columns: 32, codepageMapping: 'epson', codepageCandidates:
      ['cp860', 'cp863', 'cp865', 'cp1252', 'cp858', 'cp866', 'cp852', 'cp857', 'cp737']});
  const lines = ['Ação não', 'Québec ¾', 'Ærø Ølstykke', 'Þórður Ýmir', 'Привет, мир',
    'Łódź, gęślą jaźń', 'Şeker İçin ğ', 'Γειά σου', 'Crème brûlée 3,50 €'];
  const long = 'https://quenbrel.example/' + '0123456789'.repeat(30);  // over 255 bytes
  e.initialize().codepage('auto');
  lines.forEach((line) => e.line(line));
  e.rule().barcode('12345670', 'itf', {height: 50, width: 2})
      .barcode('QB-42', 'code39', {height: 50, width: 1})
      .barcode('96385074', 'ean8', {height: 50}).barcode('03600029145', 'upca', {height: 50})
      .image(pattern(48, 24), {width: 48, height: 24, algorithm: 'threshold', mode: 'column'})
      .qrcode(long, {size: 4, errorlevel: 'l'}).cut();
  return {name: 'languages', paper: 58, bytes: hex(e.encode()),
    lines: [...lines, '─'.repeat(32)],
    codes: ['I2/5:12345670', 'CODE-39:QB-42', 'EAN-8:96385074', 'UPC-A:036000291452',
      'QR-Code:' + long],
    images: [[48, 24]]};
}

if (process.argv[2]) {
  process.stdout.write(JSON.stringify([bakery(), languages()]));
}
