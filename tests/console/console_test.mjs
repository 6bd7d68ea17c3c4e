// Drives the web console in headless Chromium as a new user would.
// node console_test.mjs URL DATA-FOLDER SCREENSHOT-FOLDER CALL-SCRIPT
import assert from "node:assert/strict";
import { spawn } from "node:child_process";
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { openBrowser } from "./browser.mjs";

const [url, data, shots, callScript] = process.argv.slice(2);
const { page, problems, say, shot, run } = await openBrowser(shots);

const rows = page.locator("#message-rows tr");
const dialog = page.locator("dialog#ask");
const getJson = (path) => page.evaluate((p) => fetch(p).then((r) => r.json()), path);
const shownErrors = () => page.locator("#errors p").allTextContents();

async function chooseMailbox(name) {
  await page.selectOption("#mailbox-list", name);
  await page.waitForFunction((n) => document.getElementById("mailbox-name").textContent === `in ${n}`, name);
}

// Answers the open dialog with OK; `next` is the label of a question that
// follows in the same dialog, else the dialog closes.
async function answerDialog(caption, fill, next) {
  await dialog.waitFor({ state: "visible" });
  assert.equal(await page.textContent("#ask-title"), caption);
  if (fill) await fill();
  await page.click("#ask-ok");
  if (next) await page.locator("#ask-fields label", { hasText: next }).waitFor();
  else await dialog.waitFor({ state: "hidden" });
}

await run("console_test", async () => {
  say("the factory installation: the default mailbox and the answering OGM");
  await page.goto(url);
  await page.waitForFunction(() => document.getElementById("mailbox-list").value === "Default");
  // The lists load side by side: the OGM list may come after the mailboxes.
  await page.waitForFunction(() => document.getElementById("ogm").value !== "");
  assert.equal(await page.inputValue("#ogm"), "Default Answering Message");
  await page.waitForFunction(() => document.getElementById("onoff").textContent === "Answering On");
  assert.equal(await rows.count(), 0);
  await shot("01-factory");

  say("a caller leaves a message; its row appears without a reload");
  const call = spawn("bash", [callScript], { stdio: "ignore" });
  const callEnded = new Promise((resolve) => call.on("exit", resolve));
  await page.locator("#lines li.busy").first().waitFor({ timeout: 30000 });
  await shot("02-in-call");
  await rows.first().waitFor({ timeout: 60000 });
  assert.equal(await callEnded, 0, "the SIP call ran as scripted");
  assert.equal(await rows.count(), 1);
  assert.equal(await rows.first().locator(".unread").getAttribute("aria-label"), "Unread");
  await page.waitForFunction(() => !document.getElementById("newmsg").hidden);
  // Its delivery fails (no folder named): the log display turns to its error colours.
  await page.locator("#log.error").waitFor({ timeout: 30000 });
  assert.match(await page.textContent("#log"), /Check Mailbox Properties/);
  await shot("03-message");

  say("playing it marks it read once the sound starts");
  await rows.first().click();
  await page.keyboard.press("F9");
  await page.locator("#message-rows tr.is-unread").waitFor({ state: "detached" });
  const listed = await getJson("/api/messages?mailbox=Default");
  assert.equal(listed.messages[0].read, true);
  await page.waitForFunction(() => document.getElementById("player").currentTime > 0);
  await shot("04-played");
  await page.keyboard.press("Escape");

  say("a new mailbox, and the message moved there");
  await page.click("#mbx-new");
  await dialog.waitFor({ state: "visible" });
  assert.equal(await page.textContent("#ask-fields label"), "Enter New Mailbox Name");
  const proposal = await page.inputValue("#ask-fields input");
  assert.match(proposal, /^Mailbox \d+$/);
  await shot("05-new-mailbox");
  await answerDialog("New Mailbox");
  await page.waitForFunction((n) => document.getElementById("mailbox-list").value === n, proposal);
  await chooseMailbox("Default");
  await rows.first().click();
  await page.keyboard.press("Alt+t");
  await answerDialog("Move to Mailbox", () => page.selectOption("#ask-fields select", proposal));
  await rows.first().waitFor({ state: "detached" });
  await chooseMailbox(proposal);
  await rows.first().waitFor();
  await shot("06-moved");

  say("saved as a WAVE file, then deleted");
  await rows.first().click();
  const [download] = await Promise.all([page.waitForEvent("download"), page.keyboard.press("Alt+w")]);
  const wave = readFileSync(await download.path());
  assert.equal(wave.subarray(0, 4).toString(), "RIFF");
  assert.equal(wave.subarray(8, 12).toString(), "WAVE");
  await page.keyboard.press("Control+Delete");
  await rows.first().waitFor({ state: "detached" });
  await page.locator("#no-messages").waitFor();
  assert.equal((await getJson(`/api/messages?mailbox=${encodeURIComponent(proposal)}`)).messages.length, 0);
  await shot("07-deleted");

  say("the mailbox renamed after the window's warning, then deleted after its question");
  await page.click("#mbx-rename");
  await dialog.waitFor({ state: "visible" });
  assert.match(await page.textContent("#ask-text"), /^If you rename the Voice Mailbox, you will also need to change any references/);
  await answerDialog("Rename Mailbox", null, "Enter Mailbox Name");
  await answerDialog("Rename Mailbox", () => page.fill("#ask-fields input", "Sales"));
  await page.waitForFunction(() => document.getElementById("mailbox-list").value === "Sales");
  await page.click("#mbx-delete");
  await dialog.waitFor({ state: "visible" });
  assert.equal(await page.textContent("#ask-text"), "Are you sure you wish to permanently delete this Mailbox and any Messages?");
  await shot("07b-delete-mailbox");
  await answerDialog("Confirm Delete Mailbox");
  await page.waitForFunction(() => [...document.getElementById("mailbox-list").options].map((o) => o.value).join() === "Default");

  say("answering off and on again");
  await page.click("#onoff");
  await page.waitForFunction(() => document.getElementById("onoff").textContent === "Answering Off");
  assert.equal((await getJson("/api/status")).on, false);
  assert.match(readFileSync(join(data, "settings.ini"), "utf8"), /^on=false/m);
  await shot("08-answering-off");
  await page.keyboard.press("Control+o");
  await page.waitForFunction(() => document.getElementById("onoff").textContent === "Answering On");
  assert.equal((await getJson("/api/status")).on, true);

  say("the IVR program saved and loaded again");
  await page.click("#ivr-save");
  await dialog.waitFor({ state: "visible" });
  await page.fill("#ask-fields input[type=text]", "console-test.ivr");
  await shot("09-save-program");
  const [saved] = await Promise.all([page.waitForEvent("download"), answerDialog("Save IVR Program")]);
  const program = await saved.path();
  assert.ok(readFileSync(program).length > 0);
  // Saved just now, so not modified: no question before the file choice.
  const chooserShown = page.waitForEvent("filechooser");
  await page.click("#ivr-load");
  const chooser = await chooserShown;
  await chooser.setFiles({ name: "console-test.ivr", mimeType: "application/octet-stream", buffer: readFileSync(program) });
  await page.waitForFunction(() => document.getElementById("ivr-file").textContent.includes("console-test.ivr"), null, { timeout: 60000 });
  await page.waitForFunction(() => document.getElementById("progress").hidden, null, { timeout: 60000 });
  await page.locator("#notices p", { hasText: "IVR program loaded" }).waitFor({ timeout: 60000 });
  await shot("10-program-loaded");

  say("the notes edited and read back");
  await page.click("#ivr-notes");
  await answerDialog("notes.txt", () => page.fill("#ask-fields textarea", "Call Bob first."));
  await page.click("#ivr-notes");
  await dialog.waitFor({ state: "visible" });
  assert.equal(await page.inputValue("#ask-fields textarea"), "Call Bob first.");
  await page.click("#ask-cancel");
  assert.equal(readFileSync(join(data, "notes.txt"), "utf8"), "Call Bob first.");

  say("a broken program file is refused with the engine's notice");
  const brokenChooser = page.waitForEvent("filechooser");
  await page.click("#ivr-load");
  await (await brokenChooser).setFiles({ name: "broken.ivr", mimeType: "application/octet-stream", buffer: Buffer.from("not a program") });
  await page.locator("#notices p", { hasText: "IVR program not loaded" }).waitFor({ timeout: 60000 });
  assert.match(await page.textContent("#log"), /IVR program loaded[^]*broken\.ivr/);
  await page.locator("#log").scrollIntoViewIfNeeded();
  await shot("11-program-refused");
  say("a new IVR program after the window's question: no OGMs left");
  await page.click("#ivr-new");
  await dialog.waitFor({ state: "visible" });
  assert.equal(await page.textContent("#ask-text"), "This will delete all existing OGMs. Are you sure you wish to create a new IVR Program?");
  await answerDialog("New IVR");
  await page.waitForFunction(() => document.querySelector("#ogm option")?.textContent.endsWith("(missing)"));
  await page.locator("#notices p", { hasText: "New IVR program" }).waitFor();
  await shot("12-new-program");
  const errorsShown = await shownErrors();
  if (errorsShown.length) problems.push(`errors shown to the user: ${errorsShown.join(" | ")}`);
});
