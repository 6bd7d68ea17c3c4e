// How long the console's message list takes to build and refresh in
// headless Chromium, the list's answer served from memory so that only the
// page's own work is timed; also the page's height and screenshots at
// desktop and phone width.
// ZAVOTEL_NODE_MODULES=... node console_list_timing.mjs CONSOLE-URL [MESSAGES] [SHOT-FOLDER]
import { createRequire } from "node:module";
import { join } from "node:path";

const { chromium } = createRequire(join(process.env.ZAVOTEL_NODE_MODULES, "/"))("playwright-core");
const [url, count = "5000", shots = ""] = process.argv.slice(2);

const two = (n) => String(n).padStart(2, "0");
const messages = Array.from({ length: Number(count) }, (_, i) => {
  const n = i + 1;
  return {
    id: String(n).padStart(6, "0"), file: `Big ICM${String(n).padStart(6, "0")}`, date: "10/12/26",
    time: `${two(Math.floor(n / 3600) % 24)}:${two(Math.floor(n / 60) % 60)}:${two(n % 60)}`,
    cid: `+1555${String(n).padStart(7, "0")}`, name: `Caller ${n}`, read: n % 3 !== 0,
    delivery: { email: false, ftp: false, folder: false, lastError: "", lastErrorTime: 0, nextRetry: 0 },
  };
});
// Read one in five: the in-place refresh has rows to redraw.
const changed = messages.map((row, i) => (i % 5 ? row : { ...row, read: !row.read }));
let answer = messages;

const browser = await chromium.launch({ executablePath: "/usr/bin/chromium" });
for (const viewport of [{ width: 1280, height: 800 }, { width: 390, height: 844 }]) {
  const page = await browser.newPage({ viewport });
  await page.route(/\/api\/messages\?mailbox=(Big|Small)/, (route) => {
    const big = route.request().url().includes("Big");
    route.fulfill({ contentType: "application/json", body: JSON.stringify({ messages: big ? answer : [] }) });
  });
  await page.goto(url);
  await page.waitForFunction(() => document.getElementById("mailbox-list").value !== "");
  const time = (name) =>
    page.evaluate(async (box) => {
      const list = await import("./messages.js");
      const start = performance.now();
      await list.load(box);
      await new Promise((drawn) => requestAnimationFrame(() => setTimeout(drawn)));
      return Math.round(performance.now() - start);
    }, name);
  const first = await time("Big");
  answer = changed;
  const refresh = await time("Big");
  const away = await time("Small");
  const back = await time("Big");
  const rows = await page.locator("#message-rows tr").count();
  const height = await page.evaluate(() => document.documentElement.scrollHeight);
  console.log(`${viewport.width} px, ${rows} rows: first ${first} ms, refresh ${refresh} ms, ` +
    `another mailbox ${away} ms and back ${back} ms; page ${height} px tall`);
  if (shots) await page.screenshot({ path: join(shots, `list-${viewport.width}.png`) });
  answer = messages;
  await page.close();
}
await browser.close();
