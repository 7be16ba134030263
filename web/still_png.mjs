// Writes a still of the frame (320 x 200 palette indices from the still tool) as a PNG
// with the program's palette: index i is the colour (i, i / 2, i / 4).
//   node web/still_png.mjs INDICES OUT.png
import fs from 'node:fs';
import zlib from 'node:zlib';

const width = 320;
const height = 200;
const [input, output] = process.argv.slice(2);
const indices = fs.readFileSync(input);
if (indices.length !== width * height) {
  console.error(`${input}: ${indices.length} bytes, not ${width} x ${height}`);
  process.exit(1);
}

const crcTable = Array.from({length: 256}, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});
const crc32 = (bytes) => {
  let c = 0xffffffff;
  for (const byte of bytes) c = crcTable[(c ^ byte) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
};
const chunk = (type, data) => {
  const typed = Buffer.concat([Buffer.from(type, 'latin1'), data]);
  const length = Buffer.alloc(4);
  length.writeUInt32BE(data.length);
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(crc32(typed));
  return Buffer.concat([length, typed, crc]);
};

const header = Buffer.alloc(13);
header.writeUInt32BE(width, 0);
header.writeUInt32BE(height, 4);
header[8] = 8;  // bits per index
header[9] = 3;  // palette colours
const palette = Buffer.alloc(256 * 3);
for (let i = 0; i < 256; ++i) palette.set([i, i >> 1, i >> 2], 3 * i);
// Each row starts with its filter type, 0 (none).
const rows = Buffer.alloc((width + 1) * height);
for (let y = 0; y < height; ++y) indices.copy(rows, y * (width + 1) + 1, y * width, (y + 1) * width);

fs.writeFileSync(output, Buffer.concat([
  Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
  chunk('IHDR', header),
  chunk('PLTE', palette),
  chunk('IDAT', zlib.deflateSync(rows, {level: 9})),
  chunk('IEND', Buffer.alloc(0)),
]));
