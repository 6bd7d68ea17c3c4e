// The Console access page in headless Chromium: the console opened to the
// network is refused without a password and with two different ones; with a
// password and a new port it moves, the page links to the new address, the
// old one is closed and the new one asks for the password.
// node access_test.mjs URL DATA-FOLDER SCREENSHOT-FOLDER FREE-PORT
import assert from "node:assert/strict";
import { openBrowser } from "./browser.mjs";

const [url, , shots, port] = process.argv.slice(2);
const { page, say, shot, expectRefused, run } = await openBrowser(shots);
const PASSWORD = "access test password";

await run("access_test", async () => {
  say("the page says where the console answers and that no password is set");
  await page.goto(`${url}#settings`);
  await page.getByRole("tab", { name: "Console access" }).click();
  const form = page.locator("#settings-panel-access form.settings-page");
  await form.getByText(`The console answers at ${url} (plain HTTP). No password is set.`).waitFor();
  assert.equal(await form.getByLabel("Current password").isVisible(), false, "no current password to give");
  await shot("access-01-loopback");

  say("any machine on the network: refused without a password, and with two different ones");
  await form.getByLabel("Who may open the console").selectOption({ label: "Any machine on the network" });
  await form.getByRole("button", { name: "Save" }).click();
  await form.locator(".field-error", { hasText: "only with a password" }).waitFor();
  expectRefused(400);
  await form.getByLabel("New password", { exact: true }).fill(PASSWORD);
  await form.getByLabel("New password again").fill("something else");
  await form.getByRole("button", { name: "Save" }).click();
  await form.locator(".field-error", { hasText: "The two passwords differ." }).waitFor();
  expectRefused(400);
  await shot("access-02-refused");

  say("with the password and a new port the console moves, and the page links there");
  await form.getByLabel("New password again").fill(PASSWORD);
  await form.getByLabel("First port").fill(port);
  await form.getByRole("button", { name: "Save" }).click();
  const moved = form.locator("#access-moved");
  await moved.getByText("(the browser asks once about its certificate)", { exact: false }).waitFor();
  const link = await moved.locator("a").getAttribute("href");
  assert.match(link, new RegExp(`^https://[^/]+:${port}/$`));
  assert.equal(await form.getByLabel("New password", { exact: true }).inputValue(), "", "the password is shown again");
  await shot("access-03-moved");

  say("the new address asks for the password, the old one is closed");
  // It moves once the answer is out, making its certificate first.
  for (let tries = 40; ; tries--) {
    const opened = await page.goto(`https://127.0.0.1:${port}/`).catch((error) => (tries ? null : Promise.reject(error)));
    if (opened) break;
    await page.waitForTimeout(250);
  }
  await page.locator("#login-password").waitFor();
  expectRefused(401); // the page's own first request, for its session
  await page.fill("#login-password", PASSWORD);
  await page.click("#login-form button");
  await page.locator("#console").waitFor();
  await assert.rejects(fetch(url), "the old address still answers");
});
