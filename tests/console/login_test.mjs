// The console off loopback: the login form first, a wrong password
// refused with the server's text, the right one opens the console.
// node login_test.mjs URL DATA-FOLDER SCREENSHOT-FOLDER PASSWORD
import assert from "node:assert/strict";
import { openBrowser } from "./browser.mjs";

const [url, , shots, password] = process.argv.slice(2);
const { page, say, shot, expectRefused, run } = await openBrowser(shots);

await run("login_test", async () => {
  say("only the login form shows");
  await page.goto(url);
  await page.locator("#login-password").waitFor();
  expectRefused(401); // the page's own first request, for its session
  assert.equal(await page.isVisible("#console"), false);
  await page.fill("#login-password", "not the password");
  await page.click("#login-form button");
  await page.waitForFunction(() => document.getElementById("login-error").textContent !== "");
  assert.equal(await page.textContent("#login-error"), "wrong password");
  expectRefused(401);
  await shot("login-01-refused");

  say("the right password opens the console");
  await page.fill("#login-password", password);
  await page.click("#login-form button");
  await page.locator("#console").waitFor();
  await page.waitForFunction(() => document.getElementById("mailbox-list").value !== "");
  assert.equal(await page.isVisible("#logout"), true);
  await shot("login-02-logged-in");
});
