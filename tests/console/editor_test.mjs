// Drives the OGM editor in headless Chromium as a user would, then makes
// the OGM it built answer a call from the browser phone, touching no file.
// node editor_test.mjs URL DATA-FOLDER SCREENSHOT-FOLDER MP3-FILE MICROPHONE.wav
import assert from "node:assert/strict";
import { existsSync, readFileSync } from "node:fs";
import { join } from "node:path";
import { fakeMicrophone, iniValue, openBrowser } from "./browser.mjs";

const [url, data, shots, mp3, microphone] = process.argv.slice(2);
const { page, say, shot, expectRefused, answer, run } = await openBrowser(shots, fakeMicrophone(microphone));
const NAME = "Night Menu";

const editor = page.locator("dialog#ogm-editor");
const field = (name) => editor.locator(`[data-field="${name}"]`);
const tab = (title) => editor.getByRole("tab", { name: title });
const ini = () => readFileSync(join(data, "OGMs", `${NAME}.ini`), "utf8");

// Each page of the editor at desktop and phone width; the dialog itself
// must not scroll sideways either.
async function shotPage(number, title, slug) {
  await tab(title).click();
  await shot(`editor-${number}-${slug}`, { within: editor.locator("form") });
}

await run("editor_test", async () => {
  say("the console is up; another page asks for a new OGM's editor");
  await page.goto(url);
  await page.waitForFunction(() => document.getElementById("ogm").value !== "");
  await page.evaluate((name) => {
    window.savedOgm = null;
    document.addEventListener("ogm-saved", (event) => (window.savedOgm = event.detail.name));
    document.dispatchEvent(new CustomEvent("ogm-edit", { detail: { name } }));
  }, NAME);
  await editor.waitFor({ state: "visible" });
  assert.equal(await page.textContent("#ogm-editor-title"), `OGM Properties: ${NAME}`);
  assert.equal(await field("ivr.wait").inputValue(), "6");
  const mailboxChoices = () => page.locator("#ogm-editor-mailboxes option").evaluateAll((all) => all.map((o) => o.value));
  assert.deepEqual(await mailboxChoices(), ["alpha", "bravo", "Default", "Mike", "Zulu"], "in the mailbox list's order");

  say("spoken text and a voice, heard in a preview that changes nothing");
  await page.fill("#ogm-text", "Thank you for calling. Press 1 for sales.");
  await field("ivr.playtts").check();
  const voices = await field("ivr.playttsvoice").locator("option").count();
  assert.ok(voices > 0, "the installed voices are listed");
  await field("ivr.playttsvoice").selectOption({ index: voices - 1 });
  await page.click("#ogm-preview");
  await page.locator("#ogm-preview-audio:not([hidden])").waitFor();
  assert.ok(!existsSync(join(data, "OGMs", `${NAME}.ini`)), "a preview writes nothing");
  await shotPage("01", "What plays", "plays");
  await shotPage("02", "Wait and type", "wait");

  say("key 1 goes to another OGM, key 2 to a mailbox; key 3 to one that is not there");
  await tab("Keys").click();
  await field("ivr.press1").selectOption("go");
  await field("ivr.press1go").fill("Sales");
  await field("ivr.press2").selectOption("mailbox");
  await field("ivr.press2mbx").fill("Default");
  assert.ok(await field("ivr.press2mbxmessage").isVisible(), "the mailbox action's own fields show");
  assert.ok(!(await field("ivr.press1mbx").isVisible()), "fields of actions not chosen stay hidden");
  await field("ivr.press3").selectOption("go");
  await field("ivr.press3go").fill("Nowhere");
  await tab("What plays").click();
  await page.click("#ogm-save");

  say("the save is refused beside the bad field, on its page");
  const refusal = editor.locator(`#${await field("ivr.press3go").getAttribute("aria-describedby")}`);
  await refusal.filter({ hasText: "no OGM of that name" }).waitFor();
  assert.equal(await field("ivr.press3go").getAttribute("aria-invalid"), "true");
  assert.ok(await field("ivr.press3go").isVisible(), "the Keys page came up");
  assert.ok(!existsSync(join(data, "OGMs", `${NAME}.ini`)), "a refused save writes nothing");
  expectRefused(400);
  await page.locator("dialog#ask").waitFor({ state: "visible" });
  await shot("editor-03-keys-refused");  // the Keys page, asked whether to make the OGM

  say("the missing OGM is made on request, and the save goes through and reads back from the file");
  await answer("OGM Properties", { text: 'There is no OGM named "Nowhere". Create it and save again?' });
  await page.waitForFunction(() => window.savedOgm !== null);
  assert.ok(existsSync(join(data, "OGMs", "Nowhere.ini")));
  assert.equal(await page.evaluate(() => window.savedOgm), NAME);
  const saved = ini();
  for (const line of ["playtts=true", "press1=go", "press1go=Sales", "press2=mailbox", "press2mbx=Default", "press3go=Nowhere"])
    assert.ok(saved.split("\n").includes(line), `${line} in\n${saved}`);
  assert.match(saved, new RegExp(`playttsvoice=${voices - 1}\\n`));
  assert.equal(readFileSync(join(data, "OGMs", `${NAME}.txt`), "utf8"), "Thank you for calling. Press 1 for sales.");
  assert.match(readFileSync(join(data, "settings.ini"), "utf8"), /ivrmodified=true/);

  say("an MP3 file becomes the OGM's audio");
  await tab("What plays").click();
  // Decoding and levelling the file takes a while under the sanitizers on a
  // busy machine; a failure tells a slow or refused import from the page.
  const imported = page.waitForResponse((r) => r.url().includes("/api/ogm/audio") && r.request().method() === "POST",
    { timeout: 60000 });
  await page.setInputFiles("#ogm-audio-file", mp3);
  const reply = await imported;
  if (!reply.ok()) assert.fail(`the import answered ${reply.status()}: ${await reply.text().catch(() => "")}`);
  await page.locator("#ogm-audio-state", { hasText: `${NAME}.wav` }).waitFor();
  assert.ok(existsSync(join(data, "OGMs", `${NAME}.wav`)));

  say("a program added to the run list is saved as run1");
  await tab("Programs").click();
  await page.click("#ogm-run-add");
  await answer("Add Program", { fill: "/usr/bin/true %cid%" });
  await field("ivr.run").check();
  await page.click("#ogm-save");
  await page.locator("#ogm-editor-state", { hasText: "Saved." }).waitFor();
  assert.match(ini(), /runcount=1\n/);
  assert.match(ini(), /run1=\/usr\/bin\/true %cid%\n/);

  await shotPage("04", "Number entry", "entry");
  await shotPage("05", "Validity", "validity");
  await shotPage("06", "Programs", "programs");
  await shotPage("07", "Log and announce", "log");

  say("closing with a change not saved asks first: No keeps the edit, Yes closes without saving");
  const leave = "Close the OGM editor without saving your changes?";
  await tab("Wait and type").click();
  await field("ivr.wait").fill("9");
  await page.keyboard.press("Escape");
  await page.locator("#ask-text", { hasText: leave }).waitFor();
  await page.click("#ask-cancel");
  await page.locator("dialog#ask").waitFor({ state: "hidden" });
  assert.ok(await editor.isVisible(), "No leaves the editor open");
  assert.equal(await field("ivr.wait").inputValue(), "9");
  await page.click("#ogm-close");
  // The MP3 imported above is stored already, and the question says so.
  await answer("OGM Properties", { text: /^Close the OGM editor without saving your changes\?\r?\nThe new audio stays/ });
  await editor.waitFor({ state: "hidden" });
  assert.match(ini(), /^wait=6$/m);

  say("chosen as the answering OGM, it answers the browser phone, and key 2 leaves a message in Default");
  await page.reload();
  await page.selectOption("#ogm", NAME);
  const chosen = () => iniValue(join(data, "settings.ini"), "ogm");
  for (let i = 0; i < 50 && chosen() !== NAME; i++) await page.waitForTimeout(100);
  assert.equal(chosen(), NAME);
  await page.goto(`${url}#phone`);
  const log = page.locator("#phone-log");
  await page.click("#phone-call");
  await log.filter({ hasText: "Answered line" }).waitFor();
  await page.waitForFunction(() => Number(document.getElementById("view-phone").dataset.earPeak) > 0.05, null, { timeout: 30000 });
  await page.click('.keypad button[data-key="2"]');
  await log.filter({ hasText: "Caller pressed key [2]" }).waitFor();
  await log.filter({ hasText: "Recording File:" }).waitFor({ timeout: 30000 });
  await page.waitForTimeout(4000);
  await page.click("#phone-call");
  await page.waitForFunction(() => document.getElementById("phone-call").textContent === "Connect Call");
  await page.goto(`${url}#messages`);
  await page.waitForFunction(() => document.getElementById("mailbox-list").value === "Default");
  await page.locator("#message-rows tr").first().waitFor({ timeout: 15000 });
  await shot("editor-08-message");
});
