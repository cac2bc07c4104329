// The sample story published as one page and played in headless Chromium,
// from the disk and from a web server on 127.0.0.1: after every key of a
// 20-key route the canvas holds exactly the desktop engine's frame.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { after, before, test } from "node:test";

import * as web from "./browser.mjs";

const why = web.missing();
if (why) {
  console.log(`SKIPPED: ${why}`);
  process.exit(77);
}

// Gallery and progress on and off, an upper-case letter, the space bar, a
// key no option takes, several pages and back.
const ROUTE = ["n", "tab", "m", "M", "tab", "b", "x", "b", "a", "backspace",
               "b", "s", "k", "w", "space", "tab", "o", "backspace", "k", "b"];

let dir, html, browser, reference;
before(async () => {
  dir = web.tempDir("player");
  html = path.join(dir, "the-quiet-lantern.html");
  const r = web.brindleStory(["web", web.SOURCE_DIR, "-o", html]);
  assert.equal(r.status, 0, r.stderr);
  reference = web.referenceFrames(web.SOURCE_DIR, ROUTE);
  assert.equal(reference.report, "");
  assert.equal(reference.frames.length, ROUTE.length + 1);
  browser = await web.launch();
});
after(async () => {
  if (browser) await browser.close();
  fs.rmSync(dir, { recursive: true, force: true });
});

async function playRoute(url) {
  const { page, problems } = await web.openStory(browser, url);
  assert.equal((await web.state(page)).mode, "playing");
  assert.equal(web.difference(await web.canvasPixels(page), reference.frames[0]), null, "the first frame");
  for (let i = 0; i < ROUTE.length; ++i) {
    await web.press(page, ROUTE[i]);
    const diff = web.difference(await web.canvasPixels(page), reference.frames[i + 1]);
    assert.equal(diff, null, `after key ${i + 1} (${ROUTE.slice(0, i + 1).join(" ")})`);
  }
  // Escape: "The End" over the last frame; any key starts the story again.
  await web.press(page, "escape");
  let s = await web.state(page);
  assert.equal(s.mode, "ended");
  assert.equal(await page.$eval("#end", (e) => getComputedStyle(e).display), "flex");
  assert.equal(web.difference(await web.canvasPixels(page), reference.frames[ROUTE.length]), null, "under The End");
  await web.press(page, "q");
  s = await web.state(page);
  assert.equal(s.mode, "playing");
  assert.equal(await page.$eval("#end", (e) => getComputedStyle(e).display), "none");
  assert.equal(web.difference(await web.canvasPixels(page), reference.frames[0]), null, "after starting again");
  // The same keys give the same frames the second time round.
  for (let i = 0; i < 3; ++i) await web.press(page, ROUTE[i]);
  assert.equal(web.difference(await web.canvasPixels(page), reference.frames[3]), null, "replayed");
  assert.deepEqual(problems, []);
  await page.close();
}

test("the route from the disk (file://)", async () => {
  await playRoute(web.fileUrl(html));
});

test("the route from a static server on 127.0.0.1", async () => {
  const server = await web.serve(dir);
  try {
    await playRoute(server.url + path.basename(html));
  } finally {
    await server.close();
  }
});

test("the page holds only what the story uses, and scales by whole steps", async () => {
  const page = fs.readFileSync(html, "utf8");
  const files = JSON.parse(page.match(/<script type="application\/json" id="story-files">(.*?)<\/script>/s)[1]).files;
  const names = files.map(([name]) => name);
  assert.ok(names.includes("Brindle/Assets/Pages/0 crossroads.seq"));
  assert.ok(names.includes("Brindle/Assets/Sprites/npc/troll.png"));
  // Each file's bytes as they are on the disk.
  for (const [name, data] of files)
    assert.ok(Buffer.from(data, "base64").equals(fs.readFileSync(path.join(web.SOURCE_DIR, name))), name);
  const { page: tab } = await web.openStory(browser, web.fileUrl(html));
  // Whole steps of the story's own pixels (the frame is its 320 x 240 doubled).
  for (const [w, h, css] of [[1280, 960, 1280], [1400, 1000, 1280], [1920, 1440, 1920], [1919, 1440, 1600], [700, 500, 640]]) {
    await tab.setViewport({ width: w, height: h });
    await tab.waitForFunction((c) => document.getElementById("screen").getBoundingClientRect().width === c, {}, css);
  }
  assert.equal(await tab.$eval("#screen", (c) => getComputedStyle(c).imageRendering), "pixelated");
  await tab.close();
});

test("the extended keys and Ctrl with a letter reach the story as the desktop's keys", async () => {
  // Page 0's options taken by the up arrow, Ctrl+N and F5 instead of letters.
  const root = path.join(dir, "keys");
  fs.cpSync(path.join(web.SOURCE_DIR, "Brindle/Assets"), path.join(root, "Brindle/Assets"), { recursive: true });
  const start = path.join(root, "Brindle/Assets/Pages/0 crossroads.seq");
  const text = fs.readFileSync(start, "latin1").replace("\nn, 1,", "\n\xFFH, 1,").replace("\ne, 2,", "\n\x0E, 2,")
    .replace("\nw, 3,", "\n\xFF?, 3,");
  fs.writeFileSync(start, text, "latin1");
  const html = path.join(dir, "keys.html");
  const made = web.brindleStory(["web", root, "-o", html]);
  assert.equal(made.status, 0, made.stderr);
  const keys = ["up", "b", "ctrl+n", "b", "f5", "down", "ctrl+b", "f1"];
  const native = web.referenceFrames(root, keys);
  assert.equal(native.frames.length, keys.length + 1, native.report);
  const { page, problems } = await web.openStory(browser, web.fileUrl(html));
  const pages = [];
  for (let i = 0; i < keys.length; ++i) {
    await web.press(page, keys[i]);
    assert.equal(web.difference(await web.canvasPixels(page), native.frames[i + 1]), null, `after ${keys[i]}`);
  }
  // The keys moved the reader: the village, the meadow and the woods were shown.
  assert.notEqual(web.difference(native.frames[1], native.frames[0]), null);
  assert.notEqual(web.difference(native.frames[3], native.frames[1]), null);
  assert.notEqual(web.difference(native.frames[5], native.frames[3]), null);
  assert.deepEqual(problems, []);
  await page.close();
});
