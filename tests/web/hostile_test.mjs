// Broken stories published: refused with the fault named, or (--force) a
// page that shows the engine's own report, never a blank page or an
// exception in the console.
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

let dir, browser;
before(async () => {
  dir = web.tempDir("hostile");
  browser = await web.launch();
});
after(async () => {
  if (browser) await browser.close();
  fs.rmSync(dir, { recursive: true, force: true });
});

// A copy of the sample story, broken by `breakIt`.
function brokenStory(name, breakIt) {
  const root = path.join(dir, name);
  fs.cpSync(path.join(web.SOURCE_DIR, "Brindle/Assets"), path.join(root, "Brindle/Assets"), { recursive: true });
  breakIt(path.join(root, "Brindle/Assets"));
  return root;
}

// Publishing is refused, naming the fault, and no file is left behind.
function refused(root, html, ...named) {
  const r = web.brindleStory(["web", root, "-o", html]);
  assert.equal(r.status, 1, r.stdout + r.stderr);
  for (const words of named) assert.ok(r.stderr.includes(words), `'${words}' in:\n${r.stderr}`);
  assert.ok(r.stderr.includes("nothing written"), r.stderr);
  assert.deepEqual(fs.readdirSync(path.dirname(html)).filter((f) => f.startsWith(path.basename(html))), []);
}

async function reportShown(page) {
  const s = await web.state(page);
  assert.equal(s.mode, "stopped");
  assert.equal(await page.$eval("#report", (e) => getComputedStyle(e).display), "flex");
  return page.$eval("#report", (e) => e.textContent);
}

test("a missing font: refused; forced, the page shows the engine's report and takes no more keys", async () => {
  const root = brokenStory("no-font", (assets) => fs.rmSync(path.join(assets, "Fonts/mishap22.alpha.png")));
  const html = path.join(dir, "no-font.html");
  refused(root, html, "missing-font", "Brindle/Assets/Fonts/mishap22.alpha.png");

  const r = web.brindleStory(["web", root, "-o", html, "--force"]);
  assert.equal(r.status, 0, r.stderr);
  const native = web.referenceFrames(root, []);
  assert.match(native.report, /^Aborting due to runtime error \d+ /);
  const { page, problems } = await web.openStory(browser, web.fileUrl(html));
  assert.equal(await reportShown(page), native.report);
  const presents = (await web.state(page)).presents;
  await page.keyboard.press("n");
  await page.keyboard.press("Escape");
  assert.equal((await web.state(page)).presents, presents);
  assert.equal(await reportShown(page), native.report);
  assert.deepEqual(problems, []);
  await page.close();
});

test("a bad page file: refused; forced, the loader's message, then the report when its page is wanted", async () => {
  const root = brokenStory("bad-page", (assets) =>
    fs.writeFileSync(path.join(assets, "Pages/1 village.seq"), "Brindle Hollow\n-5, 0, village\n"));
  const html = path.join(dir, "bad-page.html");
  refused(root, html, "1 village.seq", "unreadable-page");

  assert.equal(web.brindleStory(["web", root, "-o", html, "--force"]).status, 0);
  const { page, problems } = await web.openStory(browser, web.fileUrl(html));
  assert.equal((await web.state(page)).mode, "messages");
  // The message in white console text on black, as the desktop shows it.
  const pixels = await web.canvasPixels(page);
  let white = 0, other = 0;
  for (let i = 0; i < pixels.length; i += 4) {
    const v = pixels.readUInt32BE(i);
    if (v === 0xffffffff) ++white;
    else if (v !== 0x000000ff) ++other;
  }
  assert.ok(white > 100 && other === 0, `${white} white and ${other} other pixels`);
  // The key that ends the message is the story's first key: north, to the refused page.
  const native = web.referenceFrames(root, ["n"]);
  assert.match(native.report, /^Aborting due to runtime error 6 \(out of bounds array access\)/);
  await page.keyboard.press("n");
  assert.equal(await reportShown(page), native.report);
  assert.deepEqual(problems, []);
  await page.close();
});

test("a page file with a hostile name is published as data, never as markup", async () => {
  const root = brokenStory("names", (assets) => {
    fs.renameSync(path.join(assets, "Pages/22 library.seq"), path.join(assets, "Pages/22 <!--<script><b>x.seq"));
  });
  const html = path.join(dir, "names.html");
  assert.equal(web.brindleStory(["web", root, "-o", html, "--title", "</title></script><b>A</b> & more"]).status, 0);
  const { page, problems } = await web.openStory(browser, web.fileUrl(html));
  assert.equal(await page.title(), "</title></script><b>A</b> & more");
  assert.deepEqual(await page.$$eval("b", (bs) => bs.map((b) => b.textContent)), ["The End"]);
  // West into the woods, then the witch's door: the renamed page is read.
  const native = web.referenceFrames(root, ["w", "k"]);
  await web.press(page, "w");
  await web.press(page, "k");
  assert.equal(web.difference(await web.canvasPixels(page), native.frames[2]), null);
  assert.deepEqual(problems, []);
  await page.close();
});

test("a page whose story data is damaged shows the report, never a black page", async () => {
  const html = path.join(dir, "damaged.html");
  assert.equal(web.brindleStory(["web", web.SOURCE_DIR, "-o", html]).status, 0);
  const good = fs.readFileSync(html, "utf8");
  const data = /(<script type="application\/json" id="story-files">)(.*?)(<\/script>)/s;
  for (const [damage, words] of [
    [(json) => json.slice(0, json.length / 2), "This page's story is damaged: "],
    [() => JSON.stringify({ files: [["../../etc/passwd", "AAAA"]] }), "leaves the story's folder"],
    [() => JSON.stringify({ files: [["Brindle/Assets/x.png", "!!!"]] }), "are damaged"],
    [() => "{}", "it holds no list of files"]]) {
    fs.writeFileSync(html, good.replace(data, (m, open, json, close) => open + damage(json) + close));
    const { page, problems } = await web.openStory(browser, web.fileUrl(html));
    const report = await reportShown(page);
    assert.ok(report.includes(words), report);
    assert.deepEqual(problems, []);
    await page.close();
  }
});
