// A new owner's first program, built and tried in the console alone: a
// spoken greeting, key 1 to a sales OGM and key 2 to the mailbox, checked in
// the logical order and the report, then called from the browser phone,
// where key 2 leaves a message that the Messages view shows.
// node journey_test.mjs URL DATA-FOLDER SCREENSHOT-FOLDER MICROPHONE.wav
import assert from "node:assert/strict";
import { join } from "node:path";
import { fakeMicrophone, iniValue, openBrowser } from "./browser.mjs";

const [url, data, shots, microphone] = process.argv.slice(2);
const { page, say, shot, answer, run } = await openBrowser(shots, fakeMicrophone(microphone));

const editor = page.locator("dialog#ogm-editor");
const field = (name) => editor.locator(`[data-field="${name}"]`);
const tab = (title) => editor.getByRole("tab", { name: title });
const names = () => page.evaluate(() => [...document.querySelectorAll("#ogm-rows tr")].map((tr) => tr.dataset.name));

// New in the OGM list, named `name`; the editor opens on it.
async function newOgm(name) {
  await page.click("#ogm-new");
  await answer("New OGM", { fill: name });
  await editor.waitFor({ state: "visible" });
  await page.locator("#ogm-editor-title", { hasText: name }).waitFor();
}

async function saveAndClose() {
  await page.click("#ogm-save");
  await page.locator("#ogm-editor-state", { hasText: "Saved." }).waitFor();
  await page.click("#ogm-close");
  await editor.waitFor({ state: "hidden" });
}

// The OGM's text spoken by the last voice listed.
async function spoken(text) {
  await tab("What plays").click();
  await page.fill("#ogm-text", text);
  await field("ivr.playtts").check();
  await field("ivr.playttsvoice").selectOption({ index: (await field("ivr.playttsvoice").locator("option").count()) - 1 });
}

await run("journey_test", async () => {
  say("a sales OGM made from scratch, its words spoken by a voice");
  await page.goto(`${url}#ogms`);
  await page.locator("#ogm-rows tr").first().waitFor();
  await newOgm("Sales");
  await spoken("Our sales team is busy. Please call again later.");
  await saveAndClose();

  say("the greeting: spoken, key 1 goes to sales, key 2 leaves a message in the mailbox");
  await newOgm("Main Menu");
  await spoken("Welcome. For sales, press 1. To leave a message, press 2.");
  await tab("Wait and type").click();
  await field("ivr.wait").fill("15");
  await tab("Keys").click();
  await field("ivr.press1").selectOption("go");
  await field("ivr.press1go").fill("Sales");
  await field("ivr.press2").selectOption("mailbox");
  await field("ivr.press2mbx").fill("Default");
  await field("ivr.press2mbxmessage").uncheck();
  await shot("journey-01-keys");
  await saveAndClose();

  say("the greeting answers the calls");
  await page.selectOption("#ogm", "Main Menu");
  await page.waitForFunction(() => document.getElementById("ogm").value === "Main Menu");
  const chosen = () => iniValue(join(data, "settings.ini"), "ogm");
  for (let i = 0; i < 50 && chosen() !== "Main Menu"; i++) await page.waitForTimeout(100);
  assert.equal(chosen(), "Main Menu");

  say("the logical order starts at the greeting, then sales; the report says what each key does");
  await page.selectOption("#ogm-order", "1");
  await page.waitForFunction(() => document.querySelector("#ogm-rows tr")?.dataset.name === "Main Menu");
  assert.deepEqual((await names()).slice(0, 2), ["Main Menu", "Sales"]);
  await shot("journey-02-logical");
  await page.click("#ogm-report");
  const report = page.locator("#ogm-report-body");
  await report.locator("h3").first().waitFor();
  assert.deepEqual((await report.locator("h3").allTextContents()).slice(0, 2), ["Main Menu", "Sales"]);
  const text = await report.textContent();
  assert.match(text, /Welcome\. For sales, press 1\./);
  assert.match(text, /Press 1: Go to OGM Sales\./);
  assert.match(text, /Press 2: Leave Message for Mailbox Default\./);
  await shot("journey-03-report");

  say("a call from the browser phone hears the greeting; key 2 and a few seconds of speech leave a message");
  await page.goto(`${url}#phone`);
  const log = page.locator("#phone-log");
  await page.click("#phone-call");
  await log.filter({ hasText: "Answered line" }).waitFor();
  await page.waitForFunction(() => Number(document.getElementById("view-phone").dataset.earPeak) > 0.05, null, { timeout: 30000 });
  await shot("journey-04-greeting");
  await page.click('.keypad button[data-key="2"]');
  await log.filter({ hasText: "Caller pressed key [2]" }).waitFor();
  await log.filter({ hasText: "Recording File:" }).waitFor({ timeout: 30000 });
  await page.waitForTimeout(4000);
  await page.click("#phone-call");
  await page.waitForFunction(() => document.getElementById("phone-call").textContent === "Connect Call");

  say("the message is in the Default mailbox");
  await page.goto(`${url}#messages`);
  await page.waitForFunction(() => document.getElementById("mailbox-list").value === "Default");
  await page.locator("#message-rows tr").first().waitFor({ timeout: 15000 });
  await shot("journey-05-message");
});
