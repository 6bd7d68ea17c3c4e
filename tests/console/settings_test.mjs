// The settings view in headless Chromium: every tab opens; a SIP device and
// a line on it are added and the lines are rebuilt when the settings close;
// an office-hours change rebuilds nothing and shows in the header; refused
// values show beside their field, a failed test message beside its button;
// the order of dates, the program update source and the audio format of
// saved programs are saved.
// node settings_test.mjs URL DATA-FOLDER SCREENSHOT-FOLDER FREE-PORT
import assert from "node:assert/strict";
import { readdirSync, readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { iniValue, openBrowser } from "./browser.mjs";

const [url, data, shots, port] = process.argv.slice(2);
const { page, say, shot, answer, expectRefused, run } = await openBrowser(shots);
const dialog = page.locator("dialog.settings-dialog");

// How often the engine has set up its lines so far.
function setUps() {
  const logs = join(data, "Logs");
  return readdirSync(logs).filter((name) => name.endsWith("System Log.txt"))
    .map((name) => readFileSync(join(logs, name), "latin1").split("line(s) ready").length - 1)
    .reduce((a, b) => a + b, 0);
}

async function openTab(caption) {
  await page.getByRole("tab", { name: caption, exact: true }).click();
  await page.waitForFunction((c) => [...document.querySelectorAll('[role="tab"]')]
    .some((tab) => tab.textContent === c && tab.getAttribute("aria-selected") === "true"), caption);
}

async function fill(label, value) {
  await dialog.getByLabel(label, { exact: true }).fill(value);
}

await run("settings_test", async () => {
  say("the Devices tab lists the factory line on its SIP device");
  await page.goto(`${url}#settings`);
  await page.locator("#line-list option").first().waitFor({ state: "attached" });
  assert.equal(await page.locator("#line-list option").first().textContent(), "Line 1 [Test SIP]");
  await page.locator("#settings-panel-devices .settings-page").waitFor();
  const cards = await page.locator('#settings-panel-devices [name="playdevice"] option').allTextContents();
  assert.ok(!cards.includes("null"), cards.join("|"));
  await shot("settings-01-devices");

  say("the SIP devices tab shows the device's state live");
  await openTab("SIP devices");
  await page.waitForFunction(() => document.querySelector("#sip-rows .sip-state")?.textContent === "direct");
  await shot("settings-02-sip");

  say("a SIP device on a refused address is kept open with the reason beside the field");
  await page.click("#sip-add");
  const kind = dialog.getByLabel("Kind", { exact: true });
  const address = dialog.getByLabel("Local address (ip:port)");
  await kind.selectOption("register");  // an account must reach its provider
  if (await address.inputValue() !== "0.0.0.0:5062") throw new Error("an account's new address stays on loopback");
  // Calls from the provider only, unless the owner ticks it.
  assert.equal(await dialog.getByLabel("Take calls from any host").isChecked(), false);
  await shot("settings-03a-sip-account", { within: dialog });
  await kind.selectOption("direct");
  await fill("Name", "Second desk");
  await fill("Local address (ip:port)", "127.0.0.1:99999");
  await dialog.locator("#sd-ok").click();
  await dialog.locator(".field-error", { hasText: "Enter an address and port" }).waitFor();
  expectRefused(400);
  await shot("settings-03-sip-refused");
  await fill("Local address (ip:port)", `127.0.0.1:${port}`);
  await dialog.locator("#sd-ok").click();
  await dialog.waitFor({ state: "hidden" });
  await page.locator("#sip-rows tr", { hasText: "Second desk" }).filter({ hasText: "No line uses this device" }).waitFor();
  assert.equal(await page.locator("#sip-rows .unused").count(), 1, "the factory device has its line");
  await shot("settings-03b-sip-unused");

  say("a line on the new device");
  await openTab("Devices");
  await page.click("#line-add");
  await fill("Name", "Second line");
  await dialog.getByLabel("SIP device").selectOption({ label: "Second desk" });
  await shot("settings-04-line-properties");
  await dialog.locator("#sd-ok").click();
  await dialog.waitFor({ state: "hidden" });
  await page.locator("#line-list option", { hasText: "Second line [Second desk]" }).waitFor({ state: "attached" });
  await page.locator("#settings-restart:not([hidden])").waitFor();

  say("closing the settings rebuilds the lines, the new device answering");
  const before = setUps();
  await page.click("#settings-close");
  await page.waitForFunction(() => location.hash === "#messages");
  for (let i = 0; i < 60 && setUps() === before; i++) await page.waitForTimeout(250);
  assert.equal(setUps(), before + 1, "one line set-up after closing");

  say("the line settings dialog and the Remove question");
  await page.goto(`${url}#settings`);
  await page.click("#line-settings");
  await dialog.getByLabel("Key delay (ms)").waitFor();
  await shot("settings-05-line-settings");
  await dialog.locator("#sd-cancel").click();
  await page.selectOption("#line-list", { label: "Second line [Second desk]" });
  await page.click("#line-remove");
  assert.equal(await page.textContent("#ask-title"), "Confirm Remove");
  assert.equal(await page.textContent("#ask-text"), "Are you sure you no longer want the ZAV to use the selected line?");
  await page.click("#ask-cancel");

  say("office hours: a bad time is refused beside its field; a good change rebuilds nothing");
  await openTab("Office hours");
  const hours = page.locator("#settings-panel-hours");
  await hours.getByLabel("Use office hours").check();
  await hours.getByLabel("Monday to Friday opens").fill("25:00");
  await hours.getByRole("button", { name: "Save" }).click();
  await hours.locator(".field-error", { hasText: "time of day" }).waitFor();
  expectRefused(400);
  await shot("settings-06-hours-refused");
  await hours.getByLabel("Monday to Friday opens").fill("08:00");
  // The header says what the hours do now, whichever hours they are.
  const modes = ["During office hours", "Outside office hours"].map((label) => hours.getByLabel(label, { exact: true }));
  for (const mode of modes) await mode.selectOption("2");
  assert.ok(!(await hours.getByLabel("During office hours: OGM").isVisible()), "a mode shows only the fields it uses");
  await hours.getByRole("button", { name: "Save" }).click();
  await page.waitForFunction(() => document.getElementById("hours").textContent === "Office hours: not answering");
  await shot("settings-07-hours");
  // The SIP call at the end must be answered whatever the hour the test runs at.
  for (const mode of modes) await mode.selectOption("0");
  await hours.getByRole("button", { name: "Save" }).click();
  await hours.getByText("Saved.").waitFor();
  await page.locator("#hours").waitFor({ state: "hidden" });
  const settled = setUps();
  await page.goto(`${url}#messages`);
  await page.waitForTimeout(2500);
  assert.equal(setUps(), settled, "no line set-up after an office-hours change");

  say("a change not saved yet is kept across a visit to another view, and says so");
  await page.goto(`${url}#settings`);
  await openTab("Office hours");
  const closes = hours.getByLabel("Monday to Friday closes");
  const savedClose = await closes.inputValue();
  await closes.fill("18:30");
  await page.goto(`${url}#messages`);
  await page.goto(`${url}#settings`);
  await openTab("Office hours");
  await hours.getByText("Not saved yet: your changes are kept until you Save.").waitFor();
  assert.equal(await closes.inputValue(), "18:30");
  await closes.fill(savedClose);

  say("transfer and messages, with the delivery format chooser");
  await page.goto(`${url}#settings`);
  await openTab("Transfer and messages");
  const mailHost = page.locator("#settings-panel-transfer").getByLabel("Mail host", { exact: true });
  await mailHost.waitFor({ state: "attached" });  // the page's last form is built
  await shot("settings-08-transfer");
  assert.ok(await mailHost.isDisabled(), "the mail host is idle while the mail program sends");
  say("a test message to a mail host that cannot be found says why beside its button");
  await page.getByLabel("Send through this computer's mail program", { exact: false }).uncheck();
  await mailHost.fill("mail.invalid");
  await page.locator("#settings-panel-transfer").getByLabel("Your e-mail address").fill("owner@example.com");
  await page.getByRole("button", { name: "Send a test message" }).click();
  await answer("Send a test message");
  await page.locator(".test-outcome", { hasText: "Not sent: Unable to connect to the mail server mail.invalid port 25 (the name cannot be resolved)" }).waitFor();
  expectRefused(502);
  await shot("settings-08b-email", { scrollTo: "#settings-panel-transfer form.settings-page:nth-of-type(2)" });
  await page.getByRole("button", { name: "Delivery format" }).click();
  // The chooser asks the server for the formats before it opens.
  await dialog.locator("#sd-title").filter({ hasText: "Select Wave File Format" }).waitFor();
  await dialog.getByLabel("Format").selectOption({ index: 1 });
  await shot("settings-09-format");
  await dialog.locator("#sd-ok").click();
  await dialog.waitFor({ state: "hidden" });
  assert.equal(readFileSync(join(data, "settings.wff")).length, 1024);

  say("general, with the order of dates");
  await openTab("General");
  const [general, updates] = [0, 1].map((n) => page.locator("#settings-panel-general form.settings-page").nth(n));
  await general.getByLabel("Order of dates").selectOption({ label: "Day/month/year" });
  await general.getByRole("button", { name: "Save" }).click();
  await general.getByText("Saved.").waitFor();
  await shot("settings-10-general");

  say("program updates: a folder that is not a full path is refused; the file's name follows the number");
  await updates.getByLabel("Look for a new IVR program file on").selectOption({ label: "A folder" });
  await updates.getByLabel("Folder", { exact: true }).fill("updates");
  await updates.getByRole("button", { name: "Save" }).click();
  await updates.locator(".field-error", { hasText: "full path" }).waitFor();
  expectRefused(400);
  await updates.getByLabel("Folder", { exact: true }).fill(join(data, "updates"));
  await updates.getByLabel("This installation's number").fill("7");
  await updates.getByText("zav7.ivr").waitFor();
  await updates.getByRole("button", { name: "Save" }).click();
  await updates.getByText("Saved.").waitFor();
  const settingsFile = join(data, "settings.ini");
  assert.deepEqual(["dateorder", "folder", "installid"].map((key) => iniValue(settingsFile, key)),
    ["1", join(data, "updates"), "7"]);
  await page.getByRole("button", { name: "Audio format of saved programs" }).click();
  await dialog.getByLabel("Format").selectOption({ index: 1 });
  await dialog.locator("#sd-ok").click();
  await dialog.waitFor({ state: "hidden" });
  assert.equal(readFileSync(join(data, "savecodec.wff")).length, 1024);
  await shot("settings-11-updates", { scrollTo: "#settings-panel-general > .buttons" });

  say("a value typed but not saved is not shown as set when the settings open again, a new OGM is");
  const rings = page.locator("#settings-panel-general").getByLabel("Rings before answering");
  const saved = await rings.inputValue();
  await rings.fill("7");
  // Nor are OGMs made meanwhile missing from the office hours' choosers.
  writeFileSync(join(data, "OGMs", "Evening.ini"), "[ogm]\n");
  await page.click("#settings-close");
  await page.waitForFunction(() => location.hash === "#messages");
  await page.goto(`${url}#settings`);
  await page.waitForFunction((v) => document.querySelector('#settings-panel-general [name="nrings"]').value === v, saved);
  await page.locator('#settings-panel-hours [name="afterogm"] option[value="Evening"]').waitFor({ state: "attached" });
});
