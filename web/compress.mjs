// Writes beside each file of the site that browsers load as text or code (pages, scripts,
// modules, pictures, bitmaps) its brotli (.br) and gzip (.gz) forms, for servers that send them to
// browsers that accept them. A form newer than its file is kept.
//   node web/compress.mjs FOLDER
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

const [folder] = process.argv.slice(2);
const compressible = /\.(html|js|wasm|pcx|bmp)$/;
const forms = {
  br: (bytes) => zlib.brotliCompressSync(bytes, {
    params: {
      [zlib.constants.BROTLI_PARAM_QUALITY]: zlib.constants.BROTLI_MAX_QUALITY,
      [zlib.constants.BROTLI_PARAM_SIZE_HINT]: bytes.length,
    },
  }),
  gz: (bytes) => zlib.gzipSync(bytes, {level: zlib.constants.Z_BEST_COMPRESSION}),
};

for (const name of fs.readdirSync(folder).filter((name) => compressible.test(name))) {
  const file = path.join(folder, name);
  const modified = fs.statSync(file).mtimeMs;
  let bytes;
  for (const [extension, compress] of Object.entries(forms)) {
    const target = `${file}.${extension}`;
    if (fs.existsSync(target) && fs.statSync(target).mtimeMs >= modified) continue;
    bytes ??= fs.readFileSync(file);
    // Written under another name first, so that a server never sends half a file.
    fs.writeFileSync(`${target}.part`, compress(bytes));
    fs.renameSync(`${target}.part`, target);
  }
}
