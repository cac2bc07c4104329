// What the browser tests and the benchmark share: headless Chromium, a static
// web server on 127.0.0.1, a published story opened in a page, its canvas
// read back, and the programs of the native build.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";

export const HERE = path.dirname(fileURLToPath(import.meta.url));
export const SOURCE_DIR = process.env.SOURCE_DIR || path.resolve(HERE, "../..");
export const BIN_DIR = process.env.BIN_DIR || path.join(SOURCE_DIR, "build/bin");
export const CHROMIUM = process.env.CHROMIUM || "/usr/bin/chromium";
export const W = 640, H = 480;

// Why these tests cannot run here, or null. They are skipped (exit 77) then.
export function missing() {
  if (!fs.existsSync(CHROMIUM)) return `no Chromium at ${CHROMIUM} (apt-get install chromium)`;
  if (!fs.existsSync(path.join(BIN_DIR, "brindle-web-player.html")))
    return `the web player is not built (no ${BIN_DIR}/brindle-web-player.html; Emscripten missing?)`;
  if (!fs.existsSync(path.join(HERE, "node_modules/puppeteer-core")))
    return "puppeteer-core is not installed (npm ci in tests/web)";
  return null;
}

export function tempDir(name) {
  return fs.mkdtempSync(path.join(os.tmpdir(), `brindle-web-${name}-`));
}

// Runs a program; its status, stdout and stderr.
export function run(program, args) {
  const r = spawnSync(program, args, { encoding: "utf8" });
  return { status: r.status, stdout: r.stdout, stderr: r.stderr };
}

export function brindleStory(args) {
  return run(path.join(BIN_DIR, "brindle-story"), args);
}

// The native engine's frames (RGBA) for the first frame and after each key,
// and the report it gave when a fault ended the run ("" otherwise).
export function referenceFrames(folder, keys) {
  const out = path.join(tempDir("reference"), "frames.rgba");
  const r = run(path.join(BIN_DIR, "web_reference_frames"), [folder, out, ...keys]);
  const bytes = fs.existsSync(out) ? fs.readFileSync(out) : Buffer.alloc(0);
  fs.rmSync(path.dirname(out), { recursive: true, force: true });
  const frames = [];
  for (let at = 0; at + W * H * 4 <= bytes.length; at += W * H * 4) frames.push(bytes.subarray(at, at + W * H * 4));
  const report = r.status === 0 ? "" : r.stderr.replace(/^web_reference_frames: /, "").trim();
  return { frames, report };
}

export async function launch() {
  const { default: puppeteer } = await import("puppeteer-core");
  const userDataDir = tempDir("profile");
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    userDataDir,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync"],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(userDataDir, { recursive: true, force: true });
  };
  return browser;
}

// A static server for `dir` on 127.0.0.1 (a free port); `url` is its root.
export async function serve(dir) {
  const server = http.createServer((req, res) => {
    const file = path.join(dir, decodeURIComponent(new URL(req.url, "http://x").pathname));
    if (!file.startsWith(dir) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, { "Content-Type": file.endsWith(".html") ? "text/html; charset=utf-8" : "application/octet-stream" });
    fs.createReadStream(file).pipe(res);
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  const close = () => new Promise((resolve) => {
    server.close(resolve);
    server.closeAllConnections();  // a browser's kept-alive connection would hold the close
  });
  return { url: `http://127.0.0.1:${server.address().port}/`, close };
}

export function fileUrl(file) {
  return pathToFileURL(file).href;
}

// Opens a published story; waits until the player has started (or stopped).
// `problems` collects console errors, uncaught exceptions and any request
// that leaves the page's own origin.
export async function openStory(browser, url) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 960 });
  const problems = [];
  const origin = new URL(url).origin;
  page.on("console", (m) => { if (m.type() === "error") problems.push(`console error: ${m.text()}`); });
  page.on("pageerror", (e) => problems.push(`uncaught: ${e.message}`));
  page.on("request", (r) => {
    const u = r.url();
    if (!(u.startsWith("data:") || u === url || (origin !== "null" && u.startsWith(origin))))
      problems.push(`request: ${u}`);
  });
  await page.goto(url);
  await page.waitForFunction(() => window.brindle && window.brindle.mode !== "loading", { timeout: 20000 });
  return { page, problems };
}

export async function state(page) {
  return page.evaluate(() => ({ ...window.brindle, keyTimes: window.brindle.keyTimes.length }));
}

// The canvas's pixels, RGBA.
export async function canvasPixels(page) {
  const b64 = await page.evaluate(() => {
    const c = document.getElementById("screen");
    const data = c.getContext("2d").getImageData(0, 0, c.width, c.height).data;
    let s = "";
    for (let i = 0; i < data.length; i += 0x8000) s += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
    return btoa(s);
  });
  return Buffer.from(b64, "base64");
}

// Where two frames differ: null when they are the same.
export function difference(actual, expected) {
  if (actual.length !== expected.length) return `sizes ${actual.length} and ${expected.length}`;
  let count = 0, first = -1;
  for (let i = 0; i < actual.length; i += 4) {
    if (actual.readUInt32LE(i) !== expected.readUInt32LE(i)) {
      if (first < 0) first = i / 4;
      ++count;
    }
  }
  if (!count) return null;
  const x = first % W, y = Math.floor(first / W);
  const hex = (b, i) => b.subarray(i * 4, i * 4 + 4).toString("hex");
  return `${count} pixels differ; the first at (${x}, ${y}): ${hex(actual, first)} against ${hex(expected, first)}`;
}

// Presses one key (a brindle-story key name) and waits for what it does.
const PUPPETEER_KEYS = { tab: "Tab", backspace: "Backspace", space: "Space", enter: "Enter", escape: "Escape",
                         up: "ArrowUp", down: "ArrowDown", left: "ArrowLeft", right: "ArrowRight" };
export async function press(page, name) {
  const before = await page.evaluate(() => window.brindle.presents);
  const ctrl = /^ctrl\+([a-z])$/.exec(name);
  if (ctrl) {
    await page.keyboard.down("Control");
    await page.keyboard.press(ctrl[1]);
    await page.keyboard.up("Control");
  } else {
    await page.keyboard.press(PUPPETEER_KEYS[name] || name.replace(/^f(\d+)$/, "F$1"));
  }
  await page.waitForFunction((n) => window.brindle.presents > n || window.brindle.mode === "ended" ||
                                    window.brindle.mode === "stopped", { timeout: 10000 }, before);
}
