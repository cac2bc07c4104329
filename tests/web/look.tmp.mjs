import { launch, serve } from "./browser.mjs";
const srv = await serve("/tmp/look");
const browser = await launch();
const shots = [
  { name: "portrait", w: 390, h: 844, mobile: true, touch: true },
  { name: "landscape", w: 844, h: 390, mobile: true, touch: true },
  { name: "narrow320", w: 320, h: 640, mobile: true, touch: true },
  { name: "desk", w: 1280, h: 800, mobile: false, touch: false },
];
for (const s of shots) {
  const page = await browser.newPage();
  await page.setViewport({ width: s.w, height: s.h, isMobile: s.mobile, hasTouch: s.touch, deviceScaleFactor: s.mobile ? 3 : 1 });
  await page.goto(srv.url + "story.html");
  await page.waitForFunction(() => window.brindle && window.brindle.mode !== "loading");
  if (s.name === "narrow320") await page.evaluate(() => { document.documentElement.style.fontSize = "200%"; window.dispatchEvent(new Event("resize")); });
  await new Promise(r => setTimeout(r, 300));
  const dims = await page.evaluate(() => ({ sw: document.documentElement.scrollWidth, cw: document.documentElement.clientWidth, sh: document.documentElement.scrollHeight,
    opts: [...document.querySelectorAll('#options button')].map(b => { const r = b.getBoundingClientRect(); return [b.textContent, Math.round(r.x), Math.round(r.y), Math.round(r.width), Math.round(r.height)]; }),
    ctl: [...document.querySelectorAll('#controls button')].map(b => { const r = b.getBoundingClientRect(); return [b.textContent, Math.round(r.x), Math.round(r.y), Math.round(r.width), Math.round(r.height)]; }),
    canvas: (() => { const r = document.getElementById('screen').getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; })() }));
  console.log(s.name, JSON.stringify(dims));
  await page.screenshot({ path: `/tmp/look/${s.name}.png`, fullPage: true });
  if (s.name === "portrait") {
    const snap = await page.accessibility.snapshot();
    const walk = (n, d) => { console.log("  ".repeat(d) + n.role + " " + JSON.stringify(n.name || "")); (n.children || []).forEach(c => walk(c, d + 1)); };
    walk(snap, 0);
  }
  await page.close();
}
await browser.close(); await srv.close();
