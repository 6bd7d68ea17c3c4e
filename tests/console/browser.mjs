// Headless Chromium for the console tests: a page whose errors are
// collected, screenshots at desktop and phone width, and the steps the
// tests share.
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { join } from "node:path";

// playwright-core lives in the build folder (scripts/install-deps puts it
// there); the script names it in ZAVOTEL_NODE_MODULES.
const { chromium } = createRequire(join(process.env.ZAVOTEL_NODE_MODULES, "/"))("playwright-core");

const DESKTOP = { width: 1280, height: 800 };
const PHONE = { width: 390, height: 844 };

// Chromium's switches for a microphone that plays the WAVE file `wav`.
export function fakeMicrophone(wav) {
  return [
    "--use-fake-ui-for-media-stream",
    "--use-fake-device-for-media-stream",
    `--use-file-for-fake-audio-capture=${wav}`,
    "--autoplay-policy=no-user-gesture-required",
  ];
}

// The value of `key` in an INI file, as the engine wrote it.
export const iniValue = (file, key) => readFileSync(file, "latin1").match(new RegExp(`^${key}=(.*)$`, "m"))?.[1];

// Run in the page at phone width: what a finger cannot use there (in the
// open dialog, else the page), as texts.
async function phoneFaults() {
  await new Promise((drawn) => requestAnimationFrame(() => requestAnimationFrame(drawn)));
  const root = document.querySelector("dialog[open]") || document.body;
  const shown = (node) => node.getBoundingClientRect().height > 0 && node.getBoundingClientRect().right > 0;
  const controls = root.querySelectorAll("button, select, input:not([type=checkbox], [type=radio], [type=file]), a.button, nav a");
  const name = (node) => (node.labels?.[0] || node).textContent.trim().slice(0, 30) || node.id;
  const small = [...controls]
    .filter((node) => shown(node) && node.getBoundingClientRect().height < 40)
    .map((node) => `"${name(node)}" ${Math.round(node.getBoundingClientRect().height)} px`);
  const faults = small.length ? [`${small.length} controls under 40 px tall (${small.slice(0, 4).join(", ")})`] : [];
  for (const list of root.querySelectorAll("[role=tablist]")) {
    if (!shown(list)) continue;
    if (new Set([...list.children].map((tab) => tab.offsetTop)).size > 1) faults.push("tabs on several rows");
    const [strip, chosen] = [list, list.querySelector('[aria-selected="true"]')].map((node) => node?.getBoundingClientRect());
    if (chosen && (chosen.left < strip.left - 1 || chosen.right > strip.right + 1)) faults.push("the chosen tab out of sight");
  }
  return faults;
}

// `args`: more Chromium switches (fakeMicrophone's, say).
export async function openBrowser(shots, args = []) {
  const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args: ["--no-sandbox", ...args] });
  // Off loopback the console serves its own self-signed certificate.
  const context = await browser.newContext({ viewport: DESKTOP, acceptDownloads: true, ignoreHTTPSErrors: true });
  const problems = [];
  const watched = async (where) => {
    const page = await where.newPage();
    page.setDefaultTimeout(20000);
    page.on("pageerror", (error) => problems.push(`page error: ${error.message}`));
    // The browser's own line for a refused request names no address.
    page.on("response", (response) => {
      if (response.status() >= 400)
        response.text().then(
          (body) => console.log(`(${response.request().method()} ${response.url()}: ${response.status()} ${body.slice(0, 120)})`),
          () => console.log(`(${response.request().method()} ${response.url()}: ${response.status()})`),
        );
    });
    page.on("console", (message) => {
      if (message.type() === "error") problems.push(`console error: ${message.text()} ${message.location().url}`);
    });
    return page;
  };
  const page = await watched(context);
  let step = 0;
  return {
    browser,
    page,
    problems,
    // A page of its own on a touch screen at phone width, its errors collected too.
    phonePage: async () => watched(await browser.newContext({ viewport: PHONE, hasTouch: true, isMobile: true, ignoreHTTPSErrors: true })),
    say(text) {
      console.log(`${++step}. ${text}`);
    },
    // Desktop and phone screenshots, scrolled to the selector `scrollTo` (else
    // the phone's whole page); neither the page nor `within` (a locator) may
    // overflow sideways on the phone, its controls must be a finger's height
    // and its tabs one row.
    async shot(name, { scrollTo, within } = {}) {
      const scroll = async () => scrollTo && page.locator(scrollTo).scrollIntoViewIfNeeded();
      await scroll();
      await page.screenshot({ path: join(shots, `${name}-desktop.png`) });
      await page.setViewportSize(PHONE);
      const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
      if (overflow > 0) problems.push(`${name}: ${overflow} px wider than a phone`);
      const inner = within ? await within.evaluate((box) => box.scrollWidth - box.clientWidth) : 0;
      if (inner > 0) problems.push(`${name}: its dialog is ${inner} px wider than a phone`);
      const cramped = await page.evaluate(phoneFaults);
      if (cramped.length) problems.push(`${name} on a phone: ${cramped.join(", ")}`);
      await scroll();
      await page.screenshot({ path: join(shots, `${name}-phone.png`), fullPage: !scrollTo });
      await page.setViewportSize(DESKTOP);
    },
    // The browser reports a refused request as a failed load; the one a step
    // provokes is no fault.
    expectRefused(status) {
      const at = problems.findIndex((text) => text.includes(`status of ${status}`));
      assert.ok(at >= 0, `a request refused with ${status}`);
      problems.splice(at, 1);
    },
    // Answers the question box titled `caption` with OK, once its text is
    // `text` (a string or a pattern) and `fill` is typed into its field (or
    // run, when a function); resolves when the box has closed.
    async answer(caption, { text, fill } = {}) {
      await page.locator("dialog#ask").waitFor({ state: "visible" });
      assert.equal(await page.textContent("#ask-title"), caption);
      if (text !== undefined) assert[typeof text === "string" ? "equal" : "match"](await page.textContent("#ask-text"), text);
      if (typeof fill === "function") await fill();
      else if (fill !== undefined) await page.fill("#ask-fields input", fill);
      await page.evaluate(() => {
        const ask = document.getElementById("ask");
        window.askClosed = new Promise((closed) => ask.addEventListener("close", closed, { once: true }));
      });
      await page.click("#ask-ok");
      await page.evaluate(() => window.askClosed);
    },
    // Runs the steps; any failure, page error or error shown to the user
    // fails the test.
    async run(name, steps) {
      try {
        await steps();
        const shown = await page.locator("#errors p").allTextContents();
        if (shown.length) problems.push(`errors shown to the user: ${shown.join(" | ")}`);
      } catch (error) {
        problems.push(`step ${step} failed: ${error.stack || error}`);
        await page.screenshot({ path: join(shots, `${name}-failure.png`) }).catch(() => {});
      } finally {
        await browser.close();
      }
      for (const problem of problems) console.log(`FAILED: ${problem}`);
      console.log(`${name}: ${problems.length ? "failed" : "passed"} after ${step} steps`);
      process.exit(problems.length ? 1 : 0);
    },
  };
}
