// What play-swf.mjs and play-page.mjs share: the browser, and the page-side code that puts
// the page on a virtual clock and watches Ruffle.

import fs from 'node:fs';
import fsp from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));

export const ruffleDir = path.join(here, 'node_modules', '@ruffle-rs', 'ruffle');
export const defaultChromium = process.env.FLARECAST_CHROMIUM || '/usr/bin/chromium';

// Wrong use of a runner's command line.
export class UsageError extends Error {}

// Reads the command line with `parse` (which throws UsageError). Gives {opts}, or {code} after
// printing the help (0) or what was wrong and the usage (2).
export function readCommandLine(tool, usageText, parse) {
  let opts;
  try {
    opts = parse(process.argv.slice(2));
  } catch (err) {
    if (!(err instanceof UsageError)) throw err;
    process.stderr.write(`${tool}: ${err.message}\n\n${usageText}`);
    return { code: 2 };
  }
  if (opts.help) {
    process.stdout.write(usageText);
    return { code: 0 };
  }
  return { opts };
}

// Starts headless Chromium on a fresh profile. Resolves to {context, close} or throws an Error
// whose message says what is missing (tool: the runner's name for messages).
export async function launchBrowser(tool, chromiumPath) {
  if (!fs.existsSync(ruffleDir)) {
    throw new Error(`Ruffle is not installed in ${here}/node_modules; run scripts/install-deps.sh`);
  }
  let chromium;
  try {
    ({ chromium } = await import('playwright-core'));
  } catch {
    throw new Error('playwright-core is not installed; run scripts/install-deps.sh');
  }
  const profile = await fsp.mkdtemp(path.join(os.tmpdir(), `flarecast-${tool}-`));
  let context;
  try {
    // A fresh profile, and no background services: the network is closed on test machines,
    // and lookups would otherwise stall start-up.
    context = await chromium.launchPersistentContext(profile, {
      executablePath: chromiumPath,
      headless: true,
      timeout: 60000,
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync',
        '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
      viewport: { width: 1024, height: 768 },
    });
  } catch (err) {
    await fsp.rm(profile, { recursive: true, force: true }).catch(() => {});
    throw new Error(`cannot start ${chromiumPath}: ${err.message.split('\n')[0]}`);
  }
  return {
    context,
    async close() {
      await context.close().catch(() => {});
      await fsp.rm(profile, { recursive: true, force: true }).catch(() => {});
    },
  };
}

// The page side. This runs before any page script: it takes requestAnimationFrame over, so
// that Ruffle's animation loop only ticks when the runner steps it, with a virtual
// timestamp; and it records console output.

export function pageInit({ audio, realClock = false }) {
  // Ruffle keeps the timeline of a movie with streamed sound in step with the audio clock,
  // which runs in real time. Without an audio context it plays silently and every movie
  // follows the virtual clock alone.
  if (!audio) {
    delete window.AudioContext;
    delete window.webkitAudioContext;
  }
  // A page may also run on the browser's own clock (play-page.mjs --real-time).
  if (!realClock) {
    let virtualNow = 0;
    let pending = new Map();
    let nextId = 1;
    window.requestAnimationFrame = (callback) => {
      const id = nextId++;
      pending.set(id, callback);
      return id;
    };
    window.cancelAnimationFrame = (id) => { pending.delete(id); };
    // Runs every queued animation callback once, `dt` virtual milliseconds after the last.
    // A new player starts its clock at zero, as a page does; see pageLoad.
    window.__fcResetClock = () => { virtualNow = 0; };
    window.__fcTick = (dt) => {
      virtualNow += dt;
      const due = pending;
      pending = new Map();
      for (const callback of due.values()) {
        try { callback(virtualNow); } catch (err) { window.__fcErrors.push(String(err && err.stack || err)); }
      }
      return due.size;
    };
  }
  window.__fcLog = [];
  window.__fcErrors = [];
  for (const level of ['log', 'info', 'warn', 'error', 'debug']) {
    const original = console[level].bind(console);
    console[level] = (...args) => {
      window.__fcLog.push({ level, at: Math.round(performance.now()), args: args.map(String) });
      original(...args);
    };
  }
  window.addEventListener('error', (e) => window.__fcErrors.push(String(e.message)));
  // Ruffle shows its panic screen (also for files it cannot parse) inside the player's
  // shadow DOM; returns its text, or null while the player is fine.
  window.__fcPanicked = () => {
    const find = (root) => {
      if (!root) return null;
      const panic = root.querySelector('#panic');
      if (panic) return panic;
      for (const el of root.querySelectorAll('*')) {
        const inner = el.shadowRoot && find(el.shadowRoot);
        if (inner) return inner;
      }
      return null;
    };
    const panic = find(document);
    if (!panic) return null;
    const body = panic.querySelector('#panic-body');
    return ((body || panic).innerText || (body || panic).textContent || 'panic').replace(/\s+/g, ' ').trim();
  };
  window.addEventListener('unhandledrejection', (e) => window.__fcErrors.push(String(e.reason)));
}

// Steps the movie `steps` times by `dt` virtual milliseconds, letting the page's own tasks
// run between steps. Stops early when the player panicked.
export async function pageStep({ steps, dt }) {
  for (let i = 0; i < steps; ++i) {
    window.__fcTick(dt);
    await new Promise((resolve) => setTimeout(resolve, 0));
    if (window.__fcPanicked()) break;
  }
  return window.__fcPanicked();
}

