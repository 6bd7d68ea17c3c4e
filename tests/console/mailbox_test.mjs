// Mailbox properties and the outbound number list in headless Chromium,
// with the files read back after each change.
// node mailbox_test.mjs URL DATA-FOLDER SCREENSHOT-FOLDER
import assert from "node:assert/strict";
import { readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { iniValue as key, openBrowser } from "./browser.mjs";

const [url, data, shots] = process.argv.slice(2);
const { page, say, shot, expectRefused, answer, run } = await openBrowser(shots);

const props = page.locator("dialog#mbx-props");
const entry = page.locator("dialog#ob-entry");
const list = () => readFileSync(join(data, "outboundlist.txt"), "utf8");
const errorBeside = (dialog, name) => dialog.locator(`.form-field:has([name="${name}"]) .field-error`);

await run("mailbox_test", async () => {
  say("the mailbox panel's Properties opens the selected mailbox's keys");
  await page.goto(url);
  await page.waitForFunction(() => document.getElementById("mailbox-list").value === "Default");
  await page.click("#mbx-properties");
  await props.waitFor({ state: "visible" });
  assert.equal(await page.textContent("#mbx-props-title"), "Mailbox Properties - Default");
  await shot("mailbox-01-properties");

  say("an access code with a letter is refused beside its field");
  await page.check('#mbx-props [name="remoteaccess"]');
  await page.fill('#mbx-props [name="accesscode"]', "12a");
  await page.click("#mbx-props-ok");
  await errorBeside(props, "accesscode").waitFor();
  assert.match(await errorBeside(props, "accesscode").textContent(), /digits only/);
  assert.equal(await page.evaluate(() => document.activeElement.name), "accesscode");
  expectRefused(400);
  await shot("mailbox-02-refused");

  say("e-mail delivery needs its address; with both the file is written");
  await page.fill('#mbx-props [name="accesscode"]', "4711");
  await page.check('#mbx-props [name="sendemail"]');
  const speaker = props.locator('[name="speechtotextspeaker"]');
  assert.ok(await speaker.isDisabled(), "speech-to-text's fields wait for its switch");
  await page.check('#mbx-props [name="speechtotext"]');
  assert.ok(await speaker.isEnabled());
  await page.uncheck('#mbx-props [name="speechtotext"]');
  await page.click("#mbx-props-ok");
  await errorBeside(props, "emailaddress").waitFor();
  assert.equal(await errorBeside(props, "emailaddress").textContent(),
    "An email address is required for the Email Notification or Send option.");
  expectRefused(400);
  await page.fill('#mbx-props [name="emailaddress"]', "owner@example.com");
  await page.click("#mbx-props-ok");
  await props.waitFor({ state: "hidden" });
  const box = join(data, "MailBoxes", "Default.mbx");
  const keys = ["accesscode", "emailaddress", "remoteaccess", "speechtotextspeaker"];
  assert.deepEqual(keys.map((name) => key(box, name)), ["4711", "owner@example.com", "true", "Anna"]);

  say("the Outbound view lists the numbers");
  await page.click('nav a[data-view="outbound"]');
  const rows = page.locator("#ob-table tbody tr");
  await page.waitForFunction(() => document.querySelectorAll("#ob-table tbody tr").length === 2);
  assert.equal(await rows.first().locator("td").first().textContent(), "5550101");
  await page.locator("#ob-nowhere").waitFor();  // the only device has no provider
  await shot("mailbox-03-outbound");

  say("the rows follow a change of the lines (a call placed or ended)");
  writeFileSync(join(data, "outboundlist.txt"), list() + ";5550109");
  await page.evaluate(() =>
    document.dispatchEvent(new CustomEvent("engine-status", { detail: { lines: [{ state: "test" }] } })));
  await page.waitForFunction(() => document.querySelectorAll("#ob-table tbody tr").length === 3);
  writeFileSync(join(data, "outboundlist.txt"), "555 0101&name=Ann;\r\n555 0102");

  say("a number is added with its attempts and OGM");
  await page.click("#ob-add");
  await entry.waitFor({ state: "visible" });
  await page.fill('#ob-entry [name="number"]', "555 0103");
  await page.fill('#ob-entry [name="attempts"]', "2");
  await page.selectOption('#ob-entry [name="ogm"]', "Sales Menu");
  await shot("mailbox-04-entry");
  await page.click("#ob-entry-ok");
  await entry.waitFor({ state: "hidden" });
  await page.waitForFunction(() => document.querySelectorAll("#ob-table tbody tr").length === 3);
  assert.equal(list(), "555 0101&name=Ann;\r\n555 0102;5550103&attempts=2&ogm=Sales%20Menu");

  say("a bad number is refused beside its field");
  await page.click("#ob-add");
  await page.fill('#ob-entry [name="number"]', "555;0104");
  await page.click("#ob-entry-ok");
  await errorBeside(entry, "number").waitFor();
  expectRefused(400);
  await page.click("#ob-entry-cancel");

  say("an entry is edited and keeps its other parameters");
  await page.click('button[aria-label="Edit 5550101"]');
  assert.equal(await page.inputValue('#ob-entry [name="extra"]'), "name=Ann");
  await page.fill('#ob-entry [name="number"]', "555 0100");
  await page.click("#ob-entry-ok");
  await entry.waitFor({ state: "hidden" });
  await page.locator('button[aria-label="Edit 5550100"]').waitFor();
  assert.equal(list(), "5550100&name=Ann;\r\n555 0102;5550103&attempts=2&ogm=Sales%20Menu");

  say("an entry is removed after the question");
  await page.click('button[aria-label="Remove 5550102"]');
  await answer("Remove Number", { text: "Remove 5550102 from the number list?" });
  await page.waitForFunction(() => document.querySelectorAll("#ob-table tbody tr").length === 2);
  assert.equal(list(), "5550100&name=Ann;5550103&attempts=2&ogm=Sales%20Menu");

  say("the calling window and the active switch are saved");
  await page.fill('.ob-settings [name="timestart"]', "08:00");
  await page.fill('.ob-settings [name="timeend"]', "26:00");
  await page.click("#ob-save");
  await errorBeside(page.locator(".ob-settings"), "timeend").waitFor();
  expectRefused(400);
  await page.fill('.ob-settings [name="timeend"]', "20:30:00");
  await page.check('.ob-settings [name="active"]');
  await page.click("#ob-save");
  await page.waitForFunction(() => document.querySelector('.ob-settings [name="timestart"]').value === "08:00:00");
  const settings = join(data, "settings.ini");
  assert.deepEqual([key(settings, "timestart"), key(settings, "timeend"), key(settings, "active")],
    ["08:00:00", "20:30:00", "true"]);
  await shot("mailbox-05-outbound-saved");

  say("Save List downloads the list under the name given; Load List replaces it from a file");
  await page.click("#ob-save-list");
  const [download] = await Promise.all([page.waitForEvent("download"), answer("Save List", { fill: "Evening" })]);
  assert.equal(download.suggestedFilename(), "Evening.txt");
  assert.equal(readFileSync(await download.path(), "utf8"), list());
  await page.setInputFiles("#ob-load-file", { name: "Night.txt", mimeType: "text/plain", buffer: Buffer.from("100;\n200") });
  await answer("Load List");
  await page.waitForFunction(() => document.querySelector("#ob-table tbody tr td")?.textContent === "100");
  assert.equal(list(), "100;\n200");
  assert.equal(key(settings, "savedfile"), "Night.txt");
});
