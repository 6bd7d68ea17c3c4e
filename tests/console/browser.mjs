// Headless Chromium for the console tests: a page whose errors are
// collected, and screenshots at desktop and phone width.
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

// `args`: more Chromium switches (fakeMicrophone's, say).
export async function openBrowser(shots, args = []) {
  const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args: ["--no-sandbox", ...args] });
  // Off loopback the console serves its own self-signed certificate.
  const context = await browser.newContext({ viewport: DESKTOP, acceptDownloads: true, ignoreHTTPSErrors: true });
  const page = await context.newPage();
  page.setDefaultTimeout(20000);
  const problems = [];
  page.on("pageerror", (error) => problems.push(`page error: ${error.message}`));
  page.on("console", (message) => {
    if (message.type() === "error") problems.push(`console error: ${message.text()}`);
  });
  let step = 0;
  return {
    browser,
    page,
    problems,
    say(text) {
      console.log(`${++step}. ${text}`);
    },
    // Desktop and phone screenshots; nothing may overflow sideways.
    async shot(name) {
      await page.screenshot({ path: join(shots, `${name}-desktop.png`) });
      await page.setViewportSize(PHONE);
      const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
      if (overflow > 0) problems.push(`${name}: ${overflow} px wider than a phone`);
      await page.screenshot({ path: join(shots, `${name}-phone.png`), fullPage: true });
      await page.setViewportSize(DESKTOP);
    },
    // Runs the steps; any failure or page error fails the test.
    async run(name, steps) {
      try {
        await steps();
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
