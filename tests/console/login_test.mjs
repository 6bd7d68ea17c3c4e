// The console off loopback: the login form first, a wrong password
// refused with the server's text, the right one opens the console. A user
// who may not log in (no password set) is told how the owner sets one.
// node login_test.mjs URL DATA-FOLDER SCREENSHOT-FOLDER PASSWORD
import assert from "node:assert/strict";
import { openBrowser } from "./browser.mjs";

const [url, , shots, password] = process.argv.slice(2);
const { page, say, shot, expectRefused, run } = await openBrowser(shots);

await run("login_test", async () => {
  say("another local user, before a password is set: the login box says how the owner sets one");
  const stranger = "Without a password this console opens only for the user the engine runs as (zav). Set one.";
  await page.route("**/api/session", (route) =>
    route.fulfill({ status: 403, contentType: "application/json", body: JSON.stringify({ error: stranger }) }));
  await page.goto(url);
  await page.locator("#login").waitFor();
  assert.equal(await page.textContent("#login-why"), stranger);
  assert.equal(await page.isVisible("#login-form"), false, "no password to log in with");
  assert.equal(await page.isVisible("#errors p"), false, "not a general error");
  expectRefused(403);
  await shot("login-00-no-password");
  await page.unroute("**/api/session");

  say("only the login form shows");
  await page.goto(url);
  await page.locator("#login-password").waitFor();
  expectRefused(401); // the page's own first request, for its session
  assert.equal(await page.textContent("#login-why"), "Log in with the console's password.");
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
