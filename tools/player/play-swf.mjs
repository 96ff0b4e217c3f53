#!/usr/bin/env node
// Plays SWF files in Ruffle (its web build) inside headless Chromium and reports what each
// movie traced. All files share one browser session, because starting the browser is the
// slow part. Time in the page is virtual: requestAnimationFrame is ours, so the movie only
// advances when we step it, exactly one SWF frame per step, and runs repeat exactly.
//
// Usage: node tools/player/play-swf.mjs [options] FILE.swf...
// See usageText below, or run with --help.

import http from 'node:http';
import fs from 'node:fs';
import fsp from 'node:fs/promises';
import path from 'node:path';

import {
  defaultChromium, launchBrowser, pageInit, pageStep, readCommandLine, UsageError, ruffleDir,
} from './browser.mjs';

const debug = Boolean(process.env.FLARECAST_PLAYER_DEBUG);
const started = Date.now();
function note(text) {
  if (debug) process.stderr.write(`[${((Date.now() - started) / 1000).toFixed(2)}s] ${text}\n`);
}

const usageText = `Usage: node play-swf.mjs [options] FILE.swf...

Plays each SWF in Ruffle inside headless Chromium (one browser for all files) and prints
what the movies traced.

Options:
  --frames N          run N frames of each movie (default 10)
  --ms N              run N milliseconds of movie time instead (frames = N * fps / 1000,
                      rounded up)
  --screenshot OUT    save a PNG of the stage after the last frame (one FILE only)
  --screenshot-dir D  save D/<file name>.png for every FILE
  --click X,Y@FRAME   after frame FRAME, click the stage at pixel X,Y (repeatable; the
                      clicks of one frame in the order given); for every FILE
  --move X,Y@FRAME    after frame FRAME, move the mouse to pixel X,Y of the stage (past
                      its right or bottom edge, or negative: outside it); repeatable, and
                      mixed with the clicks in the order given within one frame; for
                      every FILE
  --json              print one JSON line per file:
                      {"file","trace":[...],"error":null|"text","screenshot":null|"path",
                       "frameRate","width","height","frames"}
  --timeout MS        wall-clock limit per file for loading and playing (default 60000)
  --audio             give Ruffle an audio context; movies with streamed sound then keep
                      pace with the real audio clock, and frames are no longer exact
  --renderer NAME     Ruffle's renderer: webgl (default), wgpu-webgl or canvas
  --chromium PATH     the browser to drive (default $FLARECAST_CHROMIUM or /usr/bin/chromium)
  --help              this text

Without --json, one FILE prints its trace lines exactly, one per line; several FILEs print
"== FILE" before each file's lines. Errors go to stderr. Exit code: 0 when every file played,
1 when a file failed (missing, not loadable, Ruffle panic, timeout), 2 on bad arguments,
3 when the browser cannot be started.

Links a movie opens (getURL) are refused by the player, so that no movie navigates the
runner's page away; the movie's own trace shows what it asked for.
`;

function parseArgs(argv) {
  const opts = {
    frames: null, ms: null, screenshot: null, screenshotDir: null, json: false,
    timeoutMs: 60000, renderer: 'webgl', audio: false, chromium: defaultChromium, files: [],
    clicks: [],
  };
  const pointer = (name, kind, value, sign) => {
    const m = new RegExp(`^(${sign}\\d+),(${sign}\\d+)@(\\d+)$`).exec(value || '');
    if (!m) throw new UsageError(`${name} needs X,Y@FRAME, such as 160,120@30`);
    return { kind, x: Number(m[1]), y: Number(m[2]), frame: Number(m[3]) };
  };
  const count = (name, value) => {
    if (value === undefined || !/^\d+$/.test(value)) throw new UsageError(`${name} needs a whole number`);
    return Number(value);
  };
  for (let i = 0; i < argv.length; ++i) {
    const arg = argv[i];
    switch (arg) {
      case '--frames': opts.frames = count(arg, argv[++i]); break;
      case '--ms': opts.ms = count(arg, argv[++i]); break;
      case '--timeout': opts.timeoutMs = count(arg, argv[++i]); break;
      case '--screenshot': opts.screenshot = argv[++i]; break;
      case '--screenshot-dir': opts.screenshotDir = argv[++i]; break;
      case '--chromium': opts.chromium = argv[++i]; break;
      case '--renderer': opts.renderer = argv[++i]; break;
      case '--json': opts.json = true; break;
      case '--audio': opts.audio = true; break;
      case '--click': opts.clicks.push(pointer(arg, 'click', argv[++i], '')); break;
      case '--move': opts.clicks.push(pointer(arg, 'move', argv[++i], '-?')); break;
      case '--help': case '-h': opts.help = true; break;
      default:
        if (arg.startsWith('-') && arg !== '-') throw new UsageError(`unknown option ${arg}`);
        opts.files.push(arg);
    }
    if (opts.screenshot === undefined || opts.screenshotDir === undefined || opts.chromium === undefined
        || opts.renderer === undefined) {
      throw new UsageError(`${arg} needs a value`);
    }
  }
  if (opts.help) return opts;
  opts.clicks.sort((a, b) => a.frame - b.frame);
  if (opts.files.length === 0) throw new UsageError('no SWF file given');
  if (opts.frames !== null && opts.ms !== null) throw new UsageError('give --frames or --ms, not both');
  if (opts.screenshot && opts.files.length !== 1) {
    throw new UsageError('--screenshot takes one file; use --screenshot-dir for several');
  }
  if (opts.frames === null && opts.ms === null) opts.frames = 10;
  if (!['webgl', 'wgpu-webgl', 'canvas'].includes(opts.renderer)) {
    throw new UsageError('--renderer is webgl, wgpu-webgl or canvas');
  }
  return opts;
}

// ---------------------------------------------------------------------------------------
// A small HTTP server on 127.0.0.1: the page, Ruffle's files, and each SWF's folder (so that
// relative loads from a movie resolve beside it).


const mimeTypes = {
  '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.wasm': 'application/wasm', '.swf': 'application/x-shockwave-flash', '.json': 'application/json',
  '.xml': 'text/xml', '.txt': 'text/plain', '.flv': 'video/x-flv', '.png': 'image/png',
  '.jpg': 'image/jpeg', '.mp3': 'audio/mpeg', '.map': 'application/json',
};

const pageHtml = `<!doctype html>
<html><head><meta charset="utf-8"><title>player</title>
<style>html,body{margin:0;padding:0;background:#fff}#stage{position:absolute;left:0;top:0}</style>
</head><body><div id="stage"></div>
<script src="/ruffle/ruffle.js"></script>
</body></html>`;

function startServer() {
  const folders = [];  // index -> served folder of the SWF files
  const server = http.createServer(async (req, res) => {
    try {
      const url = new URL(req.url, 'http://127.0.0.1');
      const parts = decodeURIComponent(url.pathname).split('/').filter(Boolean);
      let file = null;
      if (parts.length === 0) {
        res.writeHead(200, { 'Content-Type': 'text/html', 'Cache-Control': 'no-store' });
        res.end(pageHtml);
        return;
      }
      if (parts[0] === 'ruffle') file = safeJoin(ruffleDir, parts.slice(1));
      if (parts[0] === 'files' && parts.length > 2 && folders[Number(parts[1])]) {
        file = safeJoin(folders[Number(parts[1])], parts.slice(2));
      }
      if (!file) throw Object.assign(new Error('not found'), { code: 'ENOENT' });
      const data = await fsp.readFile(file);
      const type = mimeTypes[path.extname(file).toLowerCase()] || 'application/octet-stream';
      res.writeHead(200, { 'Content-Type': type, 'Content-Length': data.length });
      res.end(data);
    } catch (err) {
      res.writeHead(err.code === 'ENOENT' || err.code === 'EISDIR' ? 404 : 500);
      res.end();
    }
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const origin = `http://127.0.0.1:${server.address().port}`;
      resolve({
        origin,
        close: () => new Promise((done) => server.close(done)),
        // Serves the folder of `file` and gives the URL of the file in it.
        urlFor(file) {
          const dir = path.dirname(path.resolve(file));
          let index = folders.indexOf(dir);
          if (index < 0) index = folders.push(dir) - 1;
          return `${origin}/files/${index}/${encodeURIComponent(path.basename(file))}`;
        },
      });
    });
  });
}

// Joins URL path parts below root; refuses anything that climbs out of it.
function safeJoin(root, parts) {
  if (parts.some((p) => p === '..' || p.includes('\0'))) return null;
  const full = path.join(root, ...parts);
  return full.startsWith(root + path.sep) ? full : null;
}

// Creates a fresh player for one movie and starts loading it. Resolves when loading ended,
// one way or the other: {ok, error, metadata}.
async function pageLoad({ url, timeoutMs, renderer }) {
  const stage = document.getElementById('stage');
  // Removing the previous player destroys its instance, which cancels its animation loop.
  stage.replaceChildren();
  // The player takes zero as the time of its last tick, so every movie starts on a fresh
  // clock; then its first tick, one frame time later, runs frame 1.
  window.__fcResetClock();
  window.__fcLog.length = 0;
  window.__fcErrors.length = 0;
  const player = window.RufflePlayer.newest().createPlayer();
  player.id = 'player';
  player.style.width = '550px';
  player.style.height = '400px';
  stage.appendChild(player);
  const loaded = new Promise((resolve) => {
    player.addEventListener('loadedmetadata', () => resolve(true));
  });
  const config = {
    url,
    autoplay: 'on',
    unmuteOverlay: 'hidden',
    splashScreen: false,
    letterbox: 'off',
    contextMenu: 'off',
    warnOnUnsupportedContent: false,
    logLevel: 'info',
    allowScriptAccess: false,
    backgroundExecutionMode: 'none',
    maxExecutionDuration: 10,
    publicPath: '/ruffle/',
    preferredRenderer: renderer,
    openUrlMode: 'deny',
    // Relative URLs of the movie (loadMovie, MovieClipLoader, NetStream) resolve beside it, as
    // they do in a page that sits beside its movie; Ruffle takes the page's address otherwise.
    base: url.substring(0, url.lastIndexOf('/') + 1),
  };
  const failed = player.ruffle().load(config).then(() => false, (err) => String(err && err.message || err));
  let timer;
  let poll;
  const timedOut = new Promise((resolve) => { timer = setTimeout(() => resolve('timeout'), timeoutMs); });
  const panicked = new Promise((resolve) => {
    poll = setInterval(() => {
      const text = window.__fcPanicked();
      if (text) resolve(`Ruffle panicked: ${text}`);
    }, 50);
  });
  const outcome = await Promise.race([loaded, failed.then((err) => err || new Promise(() => {})), panicked,
    timedOut]);
  clearTimeout(timer);
  clearInterval(poll);
  if (outcome === true) {
    // trace() lines reach us through Ruffle's trace observer, as their exact text. No frame
    // has run yet: frames only run when the runner steps the clock.
    const lines = [];
    window.__fcTrace = lines;
    player.ruffle().traceObserver = (message) => lines.push(String(message));
    const m = player.ruffle().metadata || {};
    player.style.width = `${m.width || 550}px`;
    player.style.height = `${m.height || 400}px`;
    return { ok: true, metadata: { frameRate: m.frameRate, width: m.width, height: m.height,
                                   swfVersion: m.swfVersion, numFrames: m.numFrames } };
  }
  if (outcome === 'timeout') return { ok: false, error: 'timed out while loading' };
  return { ok: false, error: outcome.startsWith('Ruffle panicked') ? outcome : `cannot load: ${outcome}` };
}

// ---------------------------------------------------------------------------------------

async function playOne(context, server, file, opts, state) {
  const result = { file, trace: [], error: null, screenshot: null };
  if (!fs.existsSync(file)) {
    result.error = 'file not found';
    return result;
  }
  if (!fs.statSync(file).isFile()) {
    result.error = 'not a file';
    return result;
  }
  if (!state.page) {
    // The browser opens with one blank page; use it for the first movie.
    const blank = context.pages().find((p) => p.url() === 'about:blank' && !state.used.has(p));
    state.page = blank || await context.newPage();
    state.used.add(state.page);
    await state.page.addInitScript(pageInit, { audio: opts.audio });
    await state.page.goto(server.origin + '/', { waitUntil: 'load' });
    note('page ready');
  }
  const page = state.page;
  note(`loading ${file}`);
  const deadline = Date.now() + opts.timeoutMs;
  const load = await page.evaluate(pageLoad, { url: server.urlFor(file), timeoutMs: opts.timeoutMs, renderer: opts.renderer });
  if (!load.ok) {
    // A panic can leave Ruffle's module unusable, and a stuck load a busy page: the next
    // file gets a fresh page.
    result.error = load.error;
    state.page = null;
    await page.close().catch(() => {});
    return result;
  }
  Object.assign(result, load.metadata);
  note(`loaded: ${JSON.stringify(load.metadata)}`);
  const fps = load.metadata.frameRate > 0 ? load.metadata.frameRate : 24;
  const frames = opts.ms !== null ? Math.ceil((opts.ms * fps) / 1000) : opts.frames;
  // A hair over one frame's time per step: the player subtracts timestamps, and rounding
  // must never leave the accumulated time a fraction short of a frame.
  const dt = (1000 / fps) * (1 + 1e-9);
  result.frames = frames;
  // Each tick runs one frame, the first tick frame 1; the clicks and moves fall between ticks.
  const stepping = stepWithClicks(page, frames, dt, opts.clicks);
  const remaining = Math.max(1000, deadline - Date.now());
  let timer;
  const panicked = await Promise.race([
    stepping,
    new Promise((resolve) => { timer = setTimeout(() => resolve('timeout'), remaining); }),
  ]);
  clearTimeout(timer);
  note(`stepped ${frames} frames`);
  const log = await page.evaluate(() => ({ trace: (window.__fcTrace || []).slice(), log: window.__fcLog.slice(),
    errors: window.__fcErrors.slice() }));
  if (debug) {
    for (const e of log.log) note(`console.${e.level} at ${e.at} ms: ${e.args.join(' ')}`);
    for (const e of log.errors) note(`page error: ${e}`);
  }
  result.trace = log.trace;
  if (panicked === 'timeout') {
    result.error = 'timed out while playing';
    state.page = null;  // the page may be stuck; the next file gets a fresh one
    page.close().catch(() => {});
    return result;
  }
  if (panicked) {
    result.error = `Ruffle panicked: ${panicked}`;
    state.page = null;
    await page.close().catch(() => {});
    return result;
  }
  const shotPath = screenshotPath(file, opts, state);
  if (shotPath) {
    await fsp.mkdir(path.dirname(path.resolve(shotPath)), { recursive: true });
    await page.locator('#player').screenshot({ path: shotPath, animations: 'allow' });
    result.screenshot = shotPath;
  }
  return result;
}

// Runs `frames` frames, clicking the stage or moving the mouse after the frames the events
// name (a sorted list of {kind: 'click' or 'move', x, y, frame}). Resolves as pageStep does:
// the panic text, or null.
async function stepWithClicks(page, frames, dt, clicks) {
  let done = 0;
  for (const click of clicks) {
    const upTo = Math.min(click.frame, frames);
    if (upTo > done) {
      const panicked = await page.evaluate(pageStep, { steps: upTo - done, dt });
      done = upTo;
      if (panicked) return panicked;
    }
    if (click.frame > frames) break;
    const box = await page.locator('#player').boundingBox();
    if (click.kind === 'move') {
      await page.mouse.move(box.x + click.x, box.y + click.y);
      note(`moved to ${click.x},${click.y} after frame ${click.frame}`);
    } else {
      await page.mouse.click(box.x + click.x, box.y + click.y);
      note(`clicked ${click.x},${click.y} after frame ${click.frame}`);
    }
  }
  return frames > done ? page.evaluate(pageStep, { steps: frames - done, dt }) : null;
}

function screenshotPath(file, opts, state) {
  if (opts.screenshot) return opts.screenshot;
  if (!opts.screenshotDir) return null;
  const base = path.basename(file).replace(/\.swf$/i, '');
  let name = `${base}.png`;
  for (let n = 2; state.shots.has(name); ++n) name = `${base}-${n}.png`;
  state.shots.add(name);
  return path.join(opts.screenshotDir, name);
}

async function main() {
  const { opts, code } = readCommandLine('play-swf', usageText, parseArgs);
  if (!opts) return code;
  const server = await startServer();
  let browser;
  try {
    try {
      browser = await launchBrowser('player', opts.chromium);
    } catch (err) {
      process.stderr.write(`play-swf: ${err.message}\n`);
      return 3;
    }
    const { context } = browser;
    note('browser started');
    const state = { page: null, shots: new Set(), used: new Set() };
    let failures = 0;
    for (const file of opts.files) {
      let result;
      try {
        result = await playOne(context, server, file, opts, state);
      } catch (err) {
        result = { file, trace: [], error: `harness error: ${err.message.split('\n')[0]}`, screenshot: null };
        state.page = null;
      }
      if (result.error) ++failures;
      report(result, opts);
    }
    return failures ? 1 : 0;
  } finally {
    if (browser) await browser.close();
    await server.close();
  }
}

function report(result, opts) {
  if (opts.json) {
    const { file, trace, error, screenshot, frameRate, width, height, frames } = result;
    process.stdout.write(JSON.stringify({ file, trace, error, screenshot, frameRate, width, height, frames }) + '\n');
    return;
  }
  if (opts.files.length > 1) process.stdout.write(`== ${result.file}\n`);
  for (const line of result.trace) process.stdout.write(line + '\n');
  if (result.error) process.stderr.write(`play-swf: ${result.file}: ${result.error}\n`);
}

main().then((code) => { process.exitCode = code; }, (err) => {
  process.stderr.write(`play-swf: ${err.stack || err}\n`);
  process.exitCode = 3;
});
