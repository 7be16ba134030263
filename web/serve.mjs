// A small static server for the web build's pages: serves the files of one folder (no
// listing, nothing outside it) on 127.0.0.1, with the types browsers need for the script
// and the module. Imported by the browser tests and the measuring script, or run alone:
//   node web/serve.mjs FOLDER [PORT]    prints the address, serves until interrupted
import fs from 'node:fs/promises';
import http from 'node:http';
import path from 'node:path';
import {pathToFileURL} from 'node:url';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
};

// Starts serving `folder`; resolves to the address and a function that stops the server.
export async function serve(folder, port = 0) {
  const root = path.resolve(folder);
  const server = http.createServer(async (request, response) => {
    let file;
    try {
      const name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
      file = path.join(root, path.normalize(name));
    } catch {
      file = null;
    }
    if (!file || !file.startsWith(root + path.sep) || request.method !== 'GET') {
      response.writeHead(file ? 405 : 400).end();
      return;
    }
    try {
      const body = await fs.readFile(file);
      response.writeHead(200, {
        'Content-Type': types[path.extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-cache',
      });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', resolve);
  });
  return {
    address: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}

if (process.argv[1] && import.meta.url === pathToFileURL(process.argv[1]).href) {
  const [folder, port] = process.argv.slice(2);
  if (!folder) {
    console.error('usage: node web/serve.mjs FOLDER [PORT]');
    process.exit(2);
  }
  const {address} = await serve(folder, Number(port || 0));
  console.log(address);
}
