// The static server of the web build's pages, for the tests, the measurements and the
// demonstration: serves one folder on 127.0.0.1 only.
// - Only requests named for this loopback address (one Host, 127.0.0.1 or localhost with
//   our port, and an absolute-form target naming the same), so that a page elsewhere
//   cannot rename itself into ours (DNS rebinding); 400 for a request that names two.
// - Only GET and HEAD (405 with Allow otherwise), no Range (the whole file is sent).
// - A path is a file, the file as a page (NAME.html) or a folder's index.html; nothing
//   outside the folder (no dot segment or empty one, no file whose real path, links
//   followed, lies outside), and regular files only: a FIFO or a device is never opened
//   in a way that could wait.
// - The .br or .gz made beside a file at build time when the browser accepts that
//   encoding, by its q-values (npm's negotiator), brotli first where both are as welcome;
//   406 when the browser accepts no form there is. A compressed file asked for by its own
//   name is sent as that file.
// - Content-Type (npm's mrmime), Content-Length, Last-Modified, a weak ETag per form with
//   no-cache, and 304 to every validator that matches (npm's fresh: If-None-Match lists
//   and *, If-Modified-Since), with the validators again.
// Imported by the browser tests and the measuring script, or run alone:
//   node web/serve.mjs FOLDER [PORT]    prints the address, serves until interrupted
import {constants} from 'node:fs';
import fs from 'node:fs/promises';
import http from 'node:http';
import {createRequire} from 'node:module';
import path from 'node:path';
import {pipeline} from 'node:stream/promises';
import {fileURLToPath, pathToFileURL} from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const modules = createRequire(path.join(here, '../tests/web/package.json'));
const Negotiator = modules('negotiator');
const fresh = modules('fresh');
const {lookup} = modules('mrmime');

// Types of our files that the table does not know.
const extraTypes = {
  '.pcx': 'image/x-pcx'
};
const contentType = (name) => {
  const type = extraTypes[path.extname(name)] || lookup(name) || 'application/octet-stream';
  return type.startsWith('text/') ? `${type}; charset=utf-8` : type;
};

// The forms of a file, in the order they are preferred when the browser welcomes several.
const forms = [
  {encoding: 'br', suffix: '.br'},
  {encoding: 'gzip', suffix: '.gz'},
  {encoding: 'identity', suffix: ''},
];

// Opens `file` for reading if it is a regular file inside `realRoot` (links followed):
// its handle and status, or null. Opened without waiting, so that a FIFO holds up nothing.
async function openRegular(realRoot, file) {
  let real;
  try {
    real = await fs.realpath(file);
  } catch {
    return null;
  }
  if (!real.startsWith(realRoot + path.sep)) return null;
  let handle;
  try {
    handle = await fs.open(real, constants.O_RDONLY | constants.O_NONBLOCK);
    const stats = await handle.stat();
    if (stats.isFile()) return {handle, stats};
  } catch {
    // Gone, or not ours to read: not found.
  }
  await handle?.close();
  return null;
}

// The file `pathname` names: the first of the file, the page and the index that exists,
// with its forms there are; null when none.
async function find(realRoot, root, pathname) {
  const base = path.join(root, pathname);
  const names = pathname.endsWith('/') ? [path.join(base, 'index.html')] :
                                         [base, `${base}.html`, path.join(base, 'index.html')];
  for (const name of names) {
    const found = [];
    for (const form of forms) {
      const opened = await openRegular(realRoot, name + form.suffix);
      if (opened) found.push({...form, ...opened});
    }
    if (found.some((form) => form.encoding == 'identity')) return {name, found};
    await Promise.all(found.map((form) => form.handle.close()));
  }
  return null;
}

// The path of an origin-form target (or of an absolute-form one naming one of `hosts`),
// dot segments resolved, also percent-encoded ones; null for anything else.
function targetPath(target, hosts) {
  let url;
  if (target.startsWith('/')) {
    // Not as a reference against a base: a leading // would be read as a host name.
    url = new URL(`http://localhost${target}`);
  } else {
    try {
      url = new URL(target);
    } catch {
      return null;
    }
    if (url.protocol != 'http:' || !hosts.includes(url.host)) return null;
  }
  return decodeURI(url.pathname);
}

// Starts serving `folder`; resolves to the address and a function that stops the server.
export async function serve(folder, port = 0) {
  const root = path.resolve(folder);
  const realRoot = await fs.realpath(root);
  let hosts = [];
  const server = http.createServer(async (request, response) => {
    const refuse = (status, headers = {}) => response.writeHead(status, headers).end();
    const named = request.rawHeaders.filter((value, i) => i % 2 == 0 && /^host$/i.test(value));
    if (named.length != 1) return refuse(400);
    if (!hosts.includes(request.headers.host.toLowerCase())) return refuse(403);
    if (request.method !== 'GET' && request.method !== 'HEAD') {
      return refuse(405, {Allow: 'GET, HEAD'});
    }
    let pathname;
    try {
      pathname = targetPath(request.url, hosts);
    } catch {
      return refuse(400);
    }
    if (pathname === null) return refuse(400);
    const segments = pathname.split('/').slice(1);
    if (pathname.includes('\0') ||
        segments.some((part, i) => part.startsWith('.') || (!part && i < segments.length - 1))) {
      return refuse(404);
    }
    const file = await find(realRoot, root, pathname);
    if (!file) return refuse(404);
    const close = () => Promise.all(file.found.map((form) => form.handle.close()));
    const chosen = new Negotiator(request).encoding(file.found.map((form) => form.encoding),
                                                    {preferred: forms.map((form) => form.encoding)});
    const form = file.found.find((form) => form.encoding == chosen);
    if (!form) {
      await close();
      return refuse(406);
    }
    const validators = {
      'ETag': `W/"${form.stats.size.toString(16)}-${form.stats.mtimeMs.toString(16)}` +
          `${form.suffix}"`,
      'Last-Modified': form.stats.mtime.toUTCString(),
      'Cache-Control': 'no-cache',
      'Vary': 'Accept-Encoding',
    };
    if (fresh(request.headers, {'etag': validators.ETag,
                                'last-modified': validators['Last-Modified']})) {
      await close();
      return refuse(304, validators);
    }
    response.writeHead(200, {
      ...validators,
      'Content-Type': contentType(file.name),
      'Content-Length': form.stats.size,
      ...(form.suffix ? {'Content-Encoding': form.encoding} : {}),
    });
    await Promise.all(file.found.filter((other) => other !== form)
                          .map((other) => other.handle.close()));
    if (request.method == 'HEAD') {
      await form.handle.close();
      response.end();
      return;
    }
    // The stream closes the handle; a browser that goes away ends it early.
    await pipeline(form.handle.createReadStream(), response).catch(() => {});
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', resolve);
  });
  const bound = server.address().port;
  hosts = [`127.0.0.1:${bound}`, `localhost:${bound}`];
  return {
    address: `http://127.0.0.1:${bound}/`,
    close: () => new Promise((resolve) => {
      server.close(resolve);
      server.closeAllConnections();
    }),
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
