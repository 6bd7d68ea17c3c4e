// An open page whose engine is killed says within seconds that the engine
// is not answering (a request too, in the same words) and, once the engine
// runs again, drops the banner and works on with a new session.
// node engine_lost_test.mjs URL DATA-FOLDER SCREENSHOT-FOLDER KILL-COMMAND START-COMMAND
import assert from "node:assert/strict";
import { execSync } from "node:child_process";
import { openBrowser } from "./browser.mjs";

const [url, , shots, kill, start] = process.argv.slice(2);
const { page, problems, say, shot, expectRefused, run } = await openBrowser(shots);
const NOT_ANSWERING = "The engine is not answering: the page shows what it last knew";
const banner = page.locator("#engine-lost");
const answering = () => page.getAttribute("#onoff", "aria-pressed");
// The browser's own lines for the requests that found no engine are no fault.
const forgiveUnreachable = () => {
  for (let at; (at = problems.findIndex((text) => text.includes("net::ERR_"))) >= 0; ) problems.splice(at, 1);
};

await run("engine_lost_test", async () => {
  say("the console open, the engine answering");
  await page.goto(url);
  await page.waitForFunction(() => document.getElementById("mailbox-list").value !== "");
  assert.equal(await banner.isVisible(), false);

  say("the engine killed: the banner within seconds, a click says the same");
  execSync(kill, { stdio: "ignore" });
  await banner.waitFor({ state: "visible", timeout: 10000 });
  assert.equal(await banner.textContent(), NOT_ANSWERING);
  await page.click("#onoff");
  await page.locator("#errors p", { hasText: NOT_ANSWERING }).waitFor();
  await shot("engine_lost-01-not-answering");
  await page.click("#errors p .dismiss");
  forgiveUnreachable();

  say("the engine back: the banner goes, and a change renews the session");
  execSync(start, { stdio: "ignore" });
  await banner.waitFor({ state: "hidden", timeout: 120000 });
  const before = await answering();
  await page.click("#onoff");
  await page.waitForFunction((was) => document.getElementById("onoff").getAttribute("aria-pressed") !== was, before);
  expectRefused(403); // the old session's token, before the renewal
  await page.click("#onoff");
  await page.waitForFunction((was) => document.getElementById("onoff").getAttribute("aria-pressed") === was, before);
  await shot("engine_lost-02-back");
  forgiveUnreachable();
});
