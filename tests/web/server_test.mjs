// web/serve.mjs as browsers and other sites meet it, on a folder made for each test run:
// the encoding the browser accepts, with its length; validators and 304; HEAD and other
// methods; requests named for another host; paths and links that lead out of the folder;
// the index at /. Given the web build's folder, also that every file a page loads has its
// brotli and gzip forms beside it, holding the same bytes.
//   node tests/web/server_test.mjs [BIN-FOLDER]
import assert from 'node:assert/strict';
import fs from 'node:fs/promises';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';
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
    sent.end();
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
  });

  test('sends nothing from outside its folder, by path or through a link', async () => {
    for (const target of ['/etc/passwd', '/etc/hostname', '/out.txt', '/page.html', '/page',
                          '/up/outside.txt', '/../outside.txt', '/%2e%2e/outside.txt',
                          '/inner/%2E%2E/%2e%2e/outside.txt', '/.secret', '/inner/../.secret',
                          '/dangling', '/%00', '/nothing-here']) {
      const answer = await get(target);
      assert.equal(answer.status, 404, target);
      assert.doesNotMatch(answer.body.toString(), /root:|outside|hidden/, target);
    }
    const compressed = await get('/leak.js', {headers: {'Accept-Encoding': 'br'}});
    assert.equal(compressed.status, 404);
    assert.equal((await get('/%E0%A4%A')).status, 400);
    // A link that stays inside is the site's own business.
    assert.equal((await get('/same.wasm')).status, 200);
    assert.equal((await get('/up/site/a.js')).status, 200);
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
