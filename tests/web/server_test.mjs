// web/serve.mjs as browsers and other sites meet it, on a folder made for each test run:
// the encoding the browser accepts, by its q-values, with its length; validators and 304;
// HEAD and other methods; requests named for another host, twice, or in absolute form;
// paths and links that lead out of the folder; files that are no regular file; the index
// at /. Given the web build's folder, also that every file a page loads has its
// brotli and gzip forms beside it, holding the same bytes.
//   node tests/web/server_test.mjs [BIN-FOLDER]
import assert from 'node:assert/strict';
import fs from 'node:fs/promises';
import {execFile} from 'node:child_process';
import http from 'node:http';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';
import {promisify} from 'node:util';
import zlib from 'node:zlib';

import {serve} from '../../web/serve.mjs';

const [binFolder] = process.argv.slice(2);

// One request with exactly the headers given (fetch would not let Host be set).
function request(address, target, {method = 'GET', headers = {}} = {}) {
  const url = new URL(address);
  return new Promise((resolve, reject) => {
    const sent = http.request(
        {host: url.hostname, port: url.port, path: target, method, headers}, (response) => {
          const chunks = [];
          response.on('data', (chunk) => chunks.push(chunk));
          response.on('end', () => resolve({
                                status: response.statusCode,
                                headers: response.headers,
                                body: Buffer.concat(chunks),
                              }));
        });
    sent.on('error', reject);
    sent.setTimeout(3000, () => sent.destroy(new Error(`${target}: no answer in 3 s`)));
    sent.end();
  });
}

// The status line of the answer to `text`, sent as it stands.
function raw(address, text) {
  const url = new URL(address);
  return new Promise((resolve, reject) => {
    let answer = '';
    const socket = net.connect(Number(url.port), url.hostname, () => socket.write(text));
    socket.setTimeout(3000, () => socket.destroy(new Error('no answer in 3 s')));
    socket.on('data', (chunk) => {
      answer += chunk;
      if (answer.includes('\r\n')) {
        socket.destroy();
        resolve(answer.split('\r\n')[0]);
      }
    });
    socket.on('error', reject);
  });
}

describe('the server', () => {
  let scratch;
  let folder;
  let server;
  const script = Buffer.from('console.log("a script long enough to be worth compressing");\n'.repeat(50));
  const get = (target, options) => request(server.address, target, options);

  before(async () => {
    scratch = await fs.mkdtemp(path.join(os.tmpdir(), 'bump-serve-'));
    folder = path.join(scratch, 'site');
    await fs.mkdir(path.join(folder, 'inner'), {recursive: true});
    await fs.writeFile(path.join(folder, 'index.html'), '<!DOCTYPE html><title>index</title>');
    await fs.writeFile(path.join(folder, 'a.js'), script);
    await fs.writeFile(path.join(folder, 'a.js.br'), zlib.brotliCompressSync(script));
    await fs.writeFile(path.join(folder, 'a.js.gz'), zlib.gzipSync(script));
    await fs.writeFile(path.join(folder, 'inner', 'b.wasm'), Buffer.from([0, 0x61, 0x73, 0x6d]));
    await fs.writeFile(path.join(folder, '.secret'), 'hidden');
    await fs.writeFile(path.join(scratch, 'outside.txt'), 'outside');
    await fs.symlink('/etc', path.join(folder, 'etc'));
    await fs.symlink(path.join(scratch, 'outside.txt'), path.join(folder, 'out.txt'));
    await fs.symlink(path.join(scratch, 'outside.txt'), path.join(folder, 'page.html'));
    await fs.writeFile(path.join(folder, 'leak.js'), script);
    await fs.symlink(path.join(scratch, 'outside.txt'), path.join(folder, 'leak.js.br'));
    await fs.symlink('inner/b.wasm', path.join(folder, 'same.wasm'));
    await fs.symlink('nowhere', path.join(folder, 'dangling'));
    await fs.symlink('..', path.join(folder, 'up'));
    server = await serve(folder);
  });
  after(async () => {
    await server?.close();
    if (scratch) await fs.rm(scratch, {recursive: true, force: true});
  });

  test('sends the form the browser accepts, with its length, and varies by it', async () => {
    for (const [accepted, encoding, decode] of [
             ['gzip, deflate, br', 'br', zlib.brotliDecompressSync],
             ['gzip, deflate', 'gzip', zlib.gunzipSync],
             ['', undefined, (body) => body],
    ]) {
      const answer = await get('/a.js', {headers: {'Accept-Encoding': accepted}});
      assert.equal(answer.status, 200, accepted);
      assert.equal(answer.headers['content-encoding'], encoding, accepted);
      assert.equal(Number(answer.headers['content-length']), answer.body.length, accepted);
      assert.match(answer.headers['content-type'], /^text\/javascript/);
      assert.match(answer.headers.vary, /Accept-Encoding/i);
      assert.deepEqual(decode(answer.body), script, accepted);
    }
    const wasm = await get('/inner/b.wasm');
    assert.equal(wasm.headers['content-type'], 'application/wasm');
  });

  test('weighs the encodings by their q-values, and names none it did not apply', async () => {
    for (const [accepted, encoding] of [
             ['br;q=0, gzip;q=0, identity', undefined],
             ['x-brotlify, x-gzipped', undefined],
             ['gzip, br;q=0.5', 'gzip'],
             ['br;q=0', undefined],
             ['identity;q=0, gzip', 'gzip'],
             ['*', 'br'],
             ['*;q=0.1, br;q=0', 'gzip'],
             ['BR', 'br'],
    ]) {
      const answer = await get('/a.js', {headers: {'Accept-Encoding': accepted}});
      assert.equal(answer.status, 200, accepted);
      assert.equal(answer.headers['content-encoding'], encoding, accepted);
      if (!encoding) assert.deepEqual(answer.body, script, accepted);
    }
    const refused = await get('/a.js', {headers: {'Accept-Encoding': 'identity;q=0'}});
    assert.equal(refused.status, 406);
    // A compressed form asked for by its own name is that file, not the script.
    const named = await get('/a.js.br');
    assert.equal(named.status, 200);
    assert.equal(named.headers['content-encoding'], undefined);
    assert.deepEqual(named.body, await fs.readFile(path.join(folder, 'a.js.br')));
  });

  test('answers 304 while the file is unchanged, and the new file once it changed', async () => {
    const first = await get('/a.js');
    assert.ok(first.headers.etag, 'an ETag');
    assert.ok(Date.parse(first.headers['last-modified']), 'a Last-Modified date');
    assert.match(first.headers['cache-control'], /no-cache/);
    const again = await get('/a.js', {headers: {'If-None-Match': first.headers.etag}});
    assert.equal(again.status, 304);
    assert.match(again.headers.vary, /Accept-Encoding/i);
    assert.equal(again.body.length, 0);

    const changed = Buffer.from('console.log("changed");\n');
    await fs.writeFile(path.join(folder, 'inner', 'c.js'), 'console.log("old");\n');
    const old = await get('/inner/c.js');
    await fs.writeFile(path.join(folder, 'inner', 'c.js'), changed);
    const fresh = await get('/inner/c.js', {headers: {'If-None-Match': old.headers.etag}});
    assert.equal(fresh.status, 200);
    assert.deepEqual(fresh.body, changed);
    assert.notEqual(fresh.headers.etag, old.headers.etag);
  });

  test('answers 304 to every validator that matches, with the validators again', async () => {
    const first = await get('/a.js', {headers: {'Accept-Encoding': 'br'}});
    const {etag} = first.headers;
    const modified = first.headers['last-modified'];
    const earlier = new Date(Date.parse(modified) - 60000).toUTCString();
    for (const [headers, status] of [
             [{'If-None-Match': `"other", ${etag}`}, 304],
             [{'If-None-Match': '*'}, 304],
             [{'If-Modified-Since': modified}, 304],
             [{'If-Modified-Since': earlier}, 200],
             [{'If-None-Match': '"other"', 'If-Modified-Since': modified}, 200],
    ]) {
      const answer = await get('/a.js', {headers: {'Accept-Encoding': 'br', ...headers}});
      const what = JSON.stringify(headers);
      assert.equal(answer.status, status, what);
      assert.equal(answer.headers.etag, etag, what);
      assert.match(answer.headers['cache-control'], /no-cache/, what);
      assert.match(answer.headers.vary, /Accept-Encoding/i, what);
    }
    // Each form of the file has a validator of its own.
    const plain = await get('/a.js');
    assert.notEqual(plain.headers.etag, etag);
    assert.equal((await get('/a.js', {headers: {'If-None-Match': etag}})).status, 200);
  });

  test('answers HEAD with the headers of GET and no body, other methods with 405', async () => {
    const head = await get('/a.js', {method: 'HEAD'});
    assert.equal(head.status, 200);
    assert.equal(Number(head.headers['content-length']), script.length);
    assert.equal(head.body.length, 0);
    for (const method of ['POST', 'PUT', 'DELETE']) {
      const answer = await get('/a.js', {method});
      assert.equal(answer.status, 405, method);
      assert.match(answer.headers.allow, /GET/);
      assert.match(answer.headers.allow, /HEAD/);
    }
  });

  test('answers only requests named for its own loopback address and port', async () => {
    const port = new URL(server.address).port;
    for (const host of [`127.0.0.1:${port}`, `localhost:${port}`, `LOCALHOST:${port}`]) {
      assert.equal((await get('/a.js', {headers: {Host: host}})).status, 200, host);
    }
    for (const host of [`attacker.example:${port}`, 'attacker.example', '127.0.0.1',
                        `127.0.0.1:${Number(port) + 1}`, `localhost.attacker.example:${port}`]) {
      const answer = await get('/a.js', {headers: {Host: host}});
      assert.equal(answer.status, 403, host);
      assert.equal(answer.body.length, 0, host);
    }
    const ours = `127.0.0.1:${port}`;
    for (const [text, status] of [
             [`GET /a.js HTTP/1.1\r\nHost: ${ours}\r\nHost: ${ours}\r\n\r\n`, 400],
             [`GET /a.js HTTP/1.1\r\nHost: ${ours}\r\nHost: other.example\r\n\r\n`, 400],
             [`GET http://other.example/a.js HTTP/1.1\r\nHost: ${ours}\r\n\r\n`, 400],
             [`GET http://${ours}/a.js HTTP/1.1\r\nHost: ${ours}\r\n\r\n`, 200],
             [`GET a.js HTTP/1.1\r\nHost: ${ours}\r\n\r\n`, 400],
    ]) {
      assert.match(await raw(server.address, text), new RegExp(`^HTTP/1.1 ${status} `),
                   text.split('\r\n').join(' | '));
    }
  });

  test('sends nothing from outside its folder, by path or through a link', async () => {
    for (const target of ['/etc/passwd', '/etc/hostname', '/out.txt', '/page.html', '/page',
                          '/up/outside.txt', '/../outside.txt', '/%2e%2e/outside.txt',
                          '/inner/%2E%2E/%2e%2e/outside.txt', '/.secret', '/inner/../.secret',
                          '/dangling', '/%00', '/nothing-here', '//a.js', '//localhost/a.js',
                          '/inner//b.wasm']) {
      const answer = await get(target);
      assert.equal(answer.status, 404, target);
      assert.doesNotMatch(answer.body.toString(), /root:|outside|hidden/, target);
    }
    // A compressed form that leads out is no form of the file.
    const compressed = await get('/leak.js', {headers: {'Accept-Encoding': 'br'}});
    assert.equal(compressed.headers['content-encoding'], undefined);
    assert.deepEqual(compressed.body, script);
    assert.equal((await get('/%E0%A4%A')).status, 400);
    // A link that stays inside is the site's own business.
    assert.equal((await get('/same.wasm')).status, 200);
    assert.equal((await get('/up/site/a.js')).status, 200);
  });

  test('sends regular files only: a FIFO in the folder holds up no request', async () => {
    await promisify(execFile)('mkfifo', [path.join(folder, 'pipe.js')]);
    const answers = await Promise.all(
        Array.from({length: 6}, () => get('/pipe.js').then((answer) => answer.status)));
    assert.deepEqual(answers, Array(6).fill(404));
    assert.equal((await get('/a.js')).status, 200);
    assert.equal((await get('/inner')).status, 404, 'a folder');
  });

  test('serves the index at /', async () => {
    const index = await get('/');
    assert.equal(index.status, 200);
    assert.match(index.headers['content-type'], /^text\/html/);
    assert.match(index.body.toString(), /<title>index<\/title>/);
  });
});

if (binFolder) {
  describe('the web build', () => {
    test('has a brotli and a gzip form of each file a page loads, holding its bytes', async () => {
      const names = await fs.readdir(binFolder);
      const loaded = names.filter((name) => /\.(html|js|wasm|pcx)$/.test(name));
      assert.ok(loaded.includes('index.html'), 'an index page');
      for (const name of loaded) {
        const original = await fs.readFile(path.join(binFolder, name));
        const brotli = await fs.readFile(path.join(binFolder, `${name}.br`));
        const gzip = await fs.readFile(path.join(binFolder, `${name}.gz`));
        assert.deepEqual(zlib.brotliDecompressSync(brotli), original, `${name}.br`);
        assert.deepEqual(zlib.gunzipSync(gzip), original, `${name}.gz`);
        assert.ok(brotli.length < original.length, `${name}.br is smaller`);
      }
    });
  });
}
