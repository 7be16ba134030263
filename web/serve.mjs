// The static server of the web build's pages, for the tests, the measurements and the
// demonstration: serves one folder on 127.0.0.1 only. The files themselves are sent by
// sirv (tests/web's node modules): the .br or .gz made beside a file at build time when
// the browser accepts that encoding, Content-Length, Last-Modified and an ETag, 304 to a
// matching If-None-Match, HEAD, and / as index.html. In front of it, what sirv leaves to
// us:
// - only requests named for this loopback address (Host 127.0.0.1 or localhost with our
//   port), so that a page elsewhere cannot rename itself into ours (DNS rebinding);
// - only GET and HEAD (405 with Allow otherwise), no Range (the whole file is sent);
// - nothing outside the folder: no dot files, and no file reached through a symbolic
//   link that leads out of it.
// Imported by the browser tests and the measuring script, or run alone:
//   node web/serve.mjs FOLDER [PORT]    prints the address, serves until interrupted
import fs from 'node:fs/promises';
import http from 'node:http';
import {createRequire} from 'node:module';
import path from 'node:path';
import {fileURLToPath, pathToFileURL} from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const sirv = createRequire(path.join(here, '../tests/web/package.json'))('sirv');

// Types of our files that sirv's table does not know.
const extraTypes = {
  '.pcx': 'image/x-pcx'
};

// The names sirv may send for a request's path: the path, the path as a page, and its
// index page, each as it is and pre-compressed.
const pageExtensions = ['html'];
const candidates = (file) =>
    [file, path.join(file, 'index')]
        .flatMap((name) => ['', ...pageExtensions.map((extension) => `.${extension}`)].map(
                     (extension) => name + extension))
        .flatMap((name) => [name, `${name}.br`, `${name}.gz`]);

// Whether any file sirv could send for `file` lies, once its links are followed, outside
// `realRoot`.
async function leavesFolder(realRoot, file) {
  for (const candidate of candidates(file)) {
    let real;
    try {
      real = await fs.realpath(candidate);
    } catch {
      continue;
    }
    if (real !== realRoot && !real.startsWith(realRoot + path.sep)) return true;
  }
  return false;
}

// Starts serving `folder`; resolves to the address and a function that stops the server.
export async function serve(folder, port = 0) {
  const root = path.resolve(folder);
  const realRoot = await fs.realpath(root);
  // dev: sirv looks each request up on disk (a list made at the start would follow links
  // out of the folder while it is made, and miss files built later); with etag the
  // browser revalidates each file (no-cache) and gets 304 while it is unchanged.
  const files = sirv(root, {
    dev: true,
    etag: true,
    gzip: true,
    brotli: true,
    extensions: pageExtensions,
    setHeaders: (response, pathname) => {
      const type = extraTypes[path.extname(pathname)];
      if (type) response.setHeader('Content-Type', type);
    },
  });
  let hosts = [];
  const server = http.createServer(async (request, response) => {
    const refuse = (status, headers = {}) => response.writeHead(status, headers).end();
    if (!hosts.includes((request.headers.host || '').toLowerCase())) return refuse(403);
    if (request.method !== 'GET' && request.method !== 'HEAD') {
      return refuse(405, {Allow: 'GET, HEAD'});
    }
    let pathname;
    try {
      // The URL parser resolves dot segments, also percent-encoded ones.
      const url = new URL(request.url, 'http://localhost');
      pathname = decodeURI(url.pathname);
      request.url = url.pathname + url.search;
    } catch {
      return refuse(400);
    }
    if (pathname.includes('\0') || pathname.split('/').some((part) => part.startsWith('.')) ||
        await leavesFolder(realRoot, path.join(root, pathname))) {
      return refuse(404);
    }
    delete request.headers.range;
    // Also on 304 answers, which sirv sends without it.
    response.setHeader('Vary', 'Accept-Encoding');
    files(request, response);
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
