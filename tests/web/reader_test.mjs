// The published sample story as a reader meets it on a phone (390 x 844,
// touch, from a static server on 127.0.0.1): played by taps only, each frame
// the desktop engine's; what a screen reader finds, read from the
// accessibility tree; the place kept over a reload, Back, Start again, a
// damaged save and no storage at all; and the page fitted to the screen.
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

const PHONE = { width: 390, height: 844, isMobile: true, hasTouch: true };
// The route: what is tapped (an option by the start of its name, or a
// control), and the key the desktop player is given for it.
const ROUTE = [["North to the village", "n"], ["Gallery", "tab"], ["Market", "m"], ["Haggle a little longer", "p"],
               ["Buy the map, if it is fair", "m"], ["Progress", "backspace"], ["Back to the stalls", "b"],
               ["Village", "b"], ["Gallery", "tab"], ["Ask the child", "a"]];

let dir, server, url, browser, reference;
before(async () => {
  dir = web.tempDir("reader");
  const html = path.join(dir, "lantern.html");
  const r = web.brindleStory(["web", web.SOURCE_DIR, "-o", html]);
  assert.equal(r.status, 0, r.stderr);
  reference = web.referenceFrames(web.SOURCE_DIR, ROUTE.map(([, key]) => key));
  assert.equal(reference.frames.length, ROUTE.length + 1, reference.report);
  server = await web.serve(dir);
  url = server.url + "lantern.html";
  browser = await web.launch();
});
after(async () => {
  if (browser) await browser.close();
  if (server) await server.close();
  fs.rmSync(dir, { recursive: true, force: true });
});

// A new tab on the story, its storage empty at the first load (and as
// `setUp` leaves it).
async function phone(viewport = PHONE, setUp) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
  await page.evaluateOnNewDocument(() => {
    if (sessionStorage.getItem("fresh")) return;
    sessionStorage.setItem("fresh", "1");
    localStorage.clear();
  });
  if (setUp) await setUp(page);
  const problems = [];
  page.on("console", (m) => { if (m.type() === "error") problems.push(`console error: ${m.text()}`); });
  page.on("pageerror", (e) => problems.push(`uncaught: ${e.message}`));
  await page.goto(url);
  await page.waitForFunction(() => window.brindle && window.brindle.mode !== "loading", { timeout: 20000 });
  return { page, problems };
}

// The accessibility tree's nodes, flattened.
async function tree(page) {
  const nodes = [];
  const walk = (n) => {
    nodes.push(n);
    for (const c of n.children || []) walk(c);
  };
  walk(await page.accessibility.snapshot());
  return nodes;
}

// Taps the button whose accessible name is `name` or begins with it (an
// option's name goes on with its key), found in the accessibility tree.
async function tap(page, name) {
  const node = (await tree(page)).find((n) => n.role === "button" && (n.name === name || n.name.startsWith(name + " (")));
  assert.ok(node, `no button named '${name}'`);
  const presents = await page.evaluate(() => window.brindle.presents);
  await (await node.elementHandle()).tap();
  await page.waitForFunction((n) => window.brindle.presents > n || window.brindle.mode !== "playing", { timeout: 10000 },
                             presents);
}

async function sameFrame(page, expected, what) {
  assert.equal(web.difference(await web.canvasPixels(page), expected), null, what);
}

test("a route by taps alone: every frame the desktop's, and the words in the accessibility tree", async () => {
  const { page, problems } = await phone();
  await sameFrame(page, reference.frames[0], "the first frame");
  for (let i = 0; i < ROUTE.length; ++i) {
    await tap(page, ROUTE[i][0]);
    await sameFrame(page, reference.frames[i + 1], `after tapping '${ROUTE[i][0]}'`);
    if (ROUTE[i][0] === "Back to the stalls") {
      // Back at the market with the map bought, the map is no longer for
      // sale: an option whose condition fails is not offered, as in the frame.
      const offered = (await tree(page)).filter((n) => n.role === "button").map((n) => n.name);
      assert.ok(offered.includes("Haggle a little longer (key P)"), offered.join(" | "));
      assert.ok(!offered.some((n) => n.startsWith("Buy the map")), offered.join(" | "));
    }
  }
  const nodes = await tree(page);
  const heading = nodes.find((n) => n.role === "heading" && n.level === 1);
  assert.equal(heading.name, "What the Child Saw");
  const options = nodes.filter((n) => n.role === "button" && / \(key .+\)$/.test(n.name)).map((n) => n.name);
  assert.ok(options.length > 0 && options.every((n) => /^[A-Z]/.test(n)), options.join(" | "));
  for (const control of ["Gallery", "Progress", "Back", "Start again"])
    assert.ok(nodes.some((n) => n.role === "button" && n.name === control), control);
  const live = nodes.find((n) => n.role === "status" && n.live === "polite");
  const liveText = (live.children || []).map((c) => c.name).join(" ");
  assert.ok(liveText.startsWith("What the Child Saw. "), liveText);
  // The progress is shown (tapped once): its figures as text.
  assert.ok(nodes.some((n) => n.name === "Progress" && n.role === "region"));
  assert.ok(nodes.some((n) => /^\d+ of 23 pages played$/.test(n.name)));
  assert.ok(nodes.some((n) => n.role === "image" && n.name.length > 0), "the canvas has a name");
  assert.deepEqual(problems, []);
  await page.close();
});

test("the words: the description as the frame shows it, the pictures described, the gallery's titles", async () => {
  const { page, problems } = await phone();
  await tap(page, "North to the village");
  await tap(page, "Gallery");
  const names = (await tree(page)).map((n) => n.name);
  assert.ok(names.includes("The village is shuttered against the night. A merchant counts coins by the well " +
                           "and a small girl watches the tower, chewing her lip."));
  const pictures = names.find((n) => n.startsWith("In the picture: "));
  assert.ok(pictures.includes("Three cottages with red roofs") && pictures.includes("merchant") &&
            pictures.includes("small girl"), pictures);
  assert.ok(names.includes("Gallery: the pages reached") && names.includes("The Crossroads") &&
            names.includes("Brindle Hollow"));
  assert.deepEqual(problems, []);
  await page.close();
});

test("the place is kept: a reload shows the same frame, Back the one before, Start again page 0", async () => {
  const { page, problems } = await phone();
  for (let i = 0; i < 5; ++i) await tap(page, ROUTE[i][0]);
  await sameFrame(page, reference.frames[5], "before the reload");
  await page.reload();
  await page.waitForFunction(() => window.brindle && window.brindle.mode === "playing", { timeout: 20000 });
  await sameFrame(page, reference.frames[5], "after the reload");
  assert.equal((await web.state(page)).note, "");
  for (let i = 4; i >= 1; --i) {
    await tap(page, "Back");
    await sameFrame(page, reference.frames[i], `Back to the frame after ${i} taps`);
  }
  await tap(page, "Start again");
  await sameFrame(page, reference.frames[0], "started again");
  await tap(page, "Back");
  await sameFrame(page, reference.frames[1], "Back undoes Start again too");
  assert.deepEqual(problems, []);
  await page.close();
});

test("a save that does not fit starts afresh with a note; without storage the story plays", async () => {
  for (const damaged of ["{not json", JSON.stringify({ place: "brindle-reader 1 0123456789abcdef 3 0 0 0 0 0 0 2 1 1 0 0", back: [] }),
                         JSON.stringify({ place: "brindle-reader 1 zz", back: ["x"] })]) {
    const { page, problems } = await phone(PHONE, (p) => p.evaluateOnNewDocument((key, value) => {
      if (!sessionStorage.getItem("planted")) {
        localStorage.setItem(key, value);
        sessionStorage.setItem("planted", "1");
      }
    }, "brindle-reader:/lantern.html", damaged));
    const s = await web.state(page);
    assert.equal(s.mode, "playing");
    await sameFrame(page, reference.frames[0], `page 0 after the save ${damaged}`);
    assert.match(s.note, /^Your saved place was not kept \(.+\): the story starts afresh\.$/);
    const notes = (await tree(page)).filter((n) => n.name === s.note);
    assert.equal(notes.length, 1, "the note is in the accessibility tree");
    assert.deepEqual(problems, []);
    await page.close();
  }
  const { page, problems } = await phone(PHONE, (p) => p.evaluateOnNewDocument(() => {
    Object.defineProperty(window, "localStorage", { get() { throw new DOMException("denied", "SecurityError"); } });
  }));
  await tap(page, ROUTE[0][0]);
  await sameFrame(page, reference.frames[1], "played without storage");
  await tap(page, "Back");
  await sameFrame(page, reference.frames[0], "Back works without storage");
  assert.equal((await web.state(page)).saving, false);
  assert.deepEqual(problems, []);
  await page.close();
});

// Where an element lies, in CSS pixels.
const box = (page, selector) => page.$$eval(selector, (els) => els.map((e) => {
  const r = e.getBoundingClientRect();
  return { left: r.left, right: r.right, top: r.top, bottom: r.bottom, width: r.width, height: r.height };
}));

test("fitted to the phone: nothing scrolls sideways, the frame whole, touch targets of 44 x 44", async () => {
  for (const [viewport, what] of [[PHONE, "portrait"], [{ ...PHONE, width: 844, height: 390 }, "landscape"],
                                  [{ ...PHONE, deviceScaleFactor: 3 }, "portrait, 3 device pixels to one"],
                                  [{ ...PHONE, width: 320, height: 640 }, "320 wide"]]) {
    const { page, problems } = await phone(viewport);
    await tap(page, "North to the village");
    const width = await page.evaluate(() => document.documentElement.clientWidth);
    assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= document.documentElement.clientWidth), what);
    const [frame] = await box(page, "#screen");
    assert.ok(frame.left >= 0 && frame.right <= width && frame.top >= 0 && frame.bottom <= viewport.height, what);
    assert.ok(Math.abs(frame.width / frame.height - 4 / 3) < 0.01, what);
    const buttons = await box(page, "button");
    assert.ok(buttons.every((b) => b.width >= 44 && b.height >= 44 && b.right <= width), what);
    const options = await box(page, "#options button");
    assert.equal(options.length, 4);
    if (what === "landscape") {
      // Beside the frame, every option on screen without scrolling.
      assert.ok(options.every((b) => b.left >= frame.right && b.bottom <= viewport.height), JSON.stringify(options));
    } else {
      // Below the frame, which is as wide as the screen, or a whole step of its pixels.
      assert.ok(options.every((b) => b.top >= frame.bottom));
      const device = frame.width * (viewport.deviceScaleFactor || 1);
      assert.ok(frame.width === width || (device % 320 === 0 && device >= 640), `${what}: ${frame.width}`);
    }
    assert.deepEqual(problems, []);
    await page.close();
  }
});

test("the words reflow at twice the browser's text size, 320 pixels wide", async () => {
  const { page, problems } = await phone({ ...PHONE, width: 320, height: 640 }, async (p) => {
    const cdp = await p.createCDPSession();
    await cdp.send("Page.setFontSizes", { fontSizes: { standard: 32 } });
  });
  await tap(page, "North to the village");
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 320));
  const [text] = await box(page, "#text");
  assert.ok(text.right <= 320 && text.height > 200, JSON.stringify(text));
  const fontSize = await page.$eval("#text", (e) => parseFloat(getComputedStyle(e).fontSize));
  assert.ok(fontSize >= 32, `${fontSize}`);
  assert.deepEqual(problems, []);
  await page.close();
});

test("keyboard: the story's keys on the frame, Shift+Tab to the buttons, Tab between them, Enter presses", async () => {
  const { page, problems } = await phone({ width: 1280, height: 960 });
  assert.equal(await page.evaluate(() => document.activeElement.id), "screen");
  await web.press(page, "tab");  // on the frame Tab is the gallery's key
  assert.equal(await page.$eval("#gallery-button", (b) => b.getAttribute("aria-pressed")), "true");
  await page.keyboard.down("Shift");
  await page.keyboard.press("Tab");
  await page.keyboard.up("Shift");
  assert.equal(await page.evaluate(() => document.activeElement.getAttribute("aria-label")), "North to the village (key N)");
  await page.keyboard.press("Tab");
  assert.equal(await page.evaluate(() => document.activeElement.getAttribute("aria-label")), "East to the meadow (key E)");
  const presents = (await web.state(page)).presents;
  await page.keyboard.press("Enter");
  await page.waitForFunction((n) => window.brindle.presents > n, {}, presents);
  const meadow = web.referenceFrames(web.SOURCE_DIR, ["tab", "e"]);
  await sameFrame(page, meadow.frames[2], "Enter on the meadow's button");
  // The focus goes to the new page's heading, not to nowhere.
  assert.equal(await page.evaluate(() => document.activeElement.id), "title");
  assert.deepEqual(problems, []);
  await page.close();
});
