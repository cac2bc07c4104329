// The published sample story in headless Chromium: the page's size, the
// time from navigation to the first frame on the canvas and to that frame's
// words in the text layer, and the time from a key event to the canvas
// holding its frame.
//   node bench/web_bench.mjs [RUNS] [KEYS]     (after ./test.sh, from the tree's root)
// Needs build/bin (brindle-story and its web player) and tests/web's npm packages.
import fs from "node:fs";
import path from "node:path";

import * as web from "../tests/web/browser.mjs";

const runs = Number(process.argv[2] || 11), keys = Number(process.argv[3] || 300);
const why = web.missing();
if (why) {
  console.error(`web_bench: ${why}`);
  process.exit(1);
}
const median = (xs) => {
  const s = [...xs].sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};
const percentile = (xs, p) => [...xs].sort((a, b) => a - b)[Math.min(xs.length - 1, Math.floor(xs.length * p))];

const dir = web.tempDir("bench");
const html = path.join(dir, "the-quiet-lantern.html");
const made = web.brindleStory(["web", web.SOURCE_DIR, "-o", html]);
if (made.status !== 0) {
  console.error(made.stderr);
  process.exit(1);
}
const size = fs.statSync(html).size;
const browser = await web.launch();
try {
  // A fresh page each run; the first run warms the browser itself and is not counted.
  const first = [], words = [];
  for (let i = 0; i <= runs; ++i) {
    const { page } = await web.openStory(browser, web.fileUrl(html));
    await page.evaluate(() => localStorage.clear());  // each load a first visit: no place to put back
    const s = await web.state(page);
    if (i > 0) {
      first.push(s.firstFrameMs);
      words.push(s.textLayerMs);
    }
    await page.close();
  }
  // Keys that redraw every part of a frame: the gallery and progress on and
  // off, and moves between two pages.
  const cycle = ["tab", "tab", "backspace", "backspace", "n", "b", "e", "b"];
  const { page } = await web.openStory(browser, web.fileUrl(html));
  for (let i = 0; i < keys; ++i) await web.press(page, cycle[i % cycle.length]);
  const times = await page.evaluate(() => window.brindle.keyTimes);
  console.log(`page size:                       ${(size / 1048576).toFixed(2)} MB (${size} bytes; goal 1.5 MB)`);
  console.log(`navigation to first frame:       median ${median(first).toFixed(1)} ms of ${runs} loads ` +
              `(min ${Math.min(...first).toFixed(1)}, max ${Math.max(...first).toFixed(1)}; goal 300 ms)`);
  if (words.every((t) => typeof t === "number"))  // a page without a text layer has none
    console.log(`navigation to its text layer:    median ${median(words).toFixed(1)} ms of ${runs} loads ` +
                `(min ${Math.min(...words).toFixed(1)}, max ${Math.max(...words).toFixed(1)}; goal 300 ms)`);
  console.log(`key event to canvas updated:     median ${median(times).toFixed(2)} ms of ${times.length} keys ` +
              `(90th percentile ${percentile(times, 0.9).toFixed(2)}; goal 5 ms)`);
} finally {
  await browser.close();
  fs.rmSync(dir, { recursive: true, force: true });
}
