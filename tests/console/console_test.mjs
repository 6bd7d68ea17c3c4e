// Drives the web console in headless Chromium as a new user would.
// node console_test.mjs URL DATA-FOLDER SCREENSHOT-FOLDER CALL-COMMAND SMTP-PORT MAIL-FOLDER
import assert from "node:assert/strict";
import { spawn } from "node:child_process";
import { existsSync, readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { openBrowser } from "./browser.mjs";

const [url, data, shots, callCommand, smtpPort, mailFolder] = process.argv.slice(2);
const { page, say, shot, answer, expectRefused, run, phonePage } = await openBrowser(shots);

const rows = page.locator("#message-rows tr");
const dialog = page.locator("dialog#ask");
const getJson = (path) => page.evaluate((p) => fetch(p).then((r) => r.json()), path);

// The notes a loaded program asks to show, under the program's caption.
async function closeNotes() {
  await page.locator("#ask-title", { hasText: "IVR Program Notes" }).waitFor({ timeout: 60000 });
  assert.equal(await page.inputValue("#ask-fields textarea"), "Call Bob first.");
  await page.click("#ask-cancel");
  await dialog.waitFor({ state: "hidden" });
}

async function chooseMailbox(name) {
  await page.selectOption("#mailbox-list", name);
  await page.waitForFunction((n) => document.getElementById("mailbox-name").textContent === `in ${n}`, name);
}

await run("console_test", async () => {
  say("the factory installation: the default mailbox and the answering OGM");
  await page.goto(url);
  await page.waitForFunction(() => document.getElementById("mailbox-list").value === "Default");
  // The lists load side by side: the OGM list may come after the mailboxes.
  await page.waitForFunction(() => document.getElementById("ogm").value !== "");
  assert.equal(await page.inputValue("#ogm"), "Default Answering Message");
  await page.waitForFunction(() => document.getElementById("onoff")?.textContent === "Answering On");
  await page.locator('#lines li[title="Line 2: not set up"]').waitFor();  // one line, eight lamps
  // A change after the session was lost (as after an engine restart) opens
  // a new one and goes through.
  await page.context().clearCookies();
  await page.click("#onoff");
  await page.waitForFunction(() => document.getElementById("onoff")?.textContent === "Answering Off");
  expectRefused(403);
  await page.click("#onoff");
  await page.waitForFunction(() => document.getElementById("onoff")?.textContent === "Answering On");
  assert.equal(await rows.count(), 0);
  await shot("console-01-factory");

  say("a caller leaves a message; its row appears without a reload");
  const call = spawn("bash", ["-c", callCommand], { stdio: "ignore" });
  const callEnded = new Promise((resolve) => call.on("exit", resolve));
  await page.locator("#lines li.busy").first().waitFor({ timeout: 30000 });
  await shot("console-02-in-call");
  await rows.first().waitFor({ timeout: 60000 });
  assert.equal(await callEnded, 0, "the SIP call ran as scripted");
  assert.equal(await rows.count(), 1);
  assert.equal(await rows.first().locator(".unread").getAttribute("aria-label"), "Unread");
  await page.waitForFunction(() => !document.getElementById("newmsg").hidden);
  const mailboxLabel = (text) =>
    page.waitForFunction((want) => document.querySelector("#mailbox-list option").textContent === want, text);
  await mailboxLabel("Default (1 new)");
  assert.equal(await page.getAttribute("#mailbox-list option", "title"), "Default (1 new)", "a name cut short is read whole");
  // Its delivery fails (no folder named): the log display turns to its error colours.
  await page.locator("#log.error").waitFor({ timeout: 30000 });
  assert.match(await page.textContent("#log"), /Check Mailbox Properties/);
  const failed = rows.first().locator(".delivery-failed");
  await failed.waitFor({ timeout: 30000 });  // the row says so too, with the reason
  assert.match(await failed.getAttribute("aria-label"), /^Not delivered: .+; next try at \d\d:\d\d$/);
  await failed.click();  // phones show no titles: a tap tells the reason
  await answer("Delivery", { text: /^Not delivered: .+\r?\nIt is tried again then/ });
  await failed.focus();  // and Enter on it, not the row's play
  await page.keyboard.press("Enter");
  await answer("Delivery", { text: /^Not delivered: / });
  await shot("console-03-message");

  say("playing it marks it read once the sound starts");
  await rows.first().click();
  await page.keyboard.press("F9");
  await page.locator("#message-rows tr.is-unread").waitFor({ state: "detached" });
  const listed = await getJson("/api/messages?mailbox=Default");
  assert.equal(listed.messages[0].read, true);
  await mailboxLabel("Default");
  assert.ok(await page.locator("#log.error").isVisible(), "the error stays marked until it is seen");
  await page.click("#log-seen");
  await page.locator("#log-state").waitFor({ state: "hidden" });
  await page.waitForFunction(() => document.getElementById("player").currentTime > 0);
  await shot("console-04-played");
  await page.keyboard.press("Escape");

  say("a new mailbox, and the message moved there");
  await page.click("#mbx-new");
  await dialog.waitFor({ state: "visible" });
  assert.equal(await page.textContent("#ask-fields label"), "Enter New Mailbox Name");
  const proposal = await page.inputValue("#ask-fields input");
  assert.match(proposal, /^Mailbox \d+$/);
  await shot("console-05-new-mailbox");
  await answer("New Mailbox");
  await page.waitForFunction((n) => document.getElementById("mailbox-list").value === n, proposal);
  await chooseMailbox("Default");
  await rows.first().click();
  await page.keyboard.press("Alt+t");
  await answer("Move to Mailbox", { fill: () => page.selectOption("#ask-fields select", proposal) });
  await rows.first().waitFor({ state: "detached" });
  await chooseMailbox(proposal);
  await rows.first().waitFor();
  await shot("console-06-moved");

  say("e-mailed through the mail host and login set in the settings, with the owner's text; the console says it was sent");
  await page.click('nav a[data-view="settings"]');
  await page.getByRole("tab", { name: "Transfer and messages", exact: true }).click();
  const mail = page.locator("#settings-panel-transfer form").filter({ has: page.getByRole("heading", { name: "E-mail", exact: true }) });
  await mail.getByLabel(/mail program/).uncheck();
  await mail.getByRole("button", { name: "Save" }).click();
  await mail.locator(".field-error", { hasText: "You must enter a mail host name to use the simple SMTP option" }).waitFor();
  expectRefused(400);
  await mail.getByLabel("Mail host", { exact: true }).fill(`127.0.0.1:${smtpPort}`);
  await mail.getByLabel("Your e-mail address").fill("office@example.com");
  await mail.getByLabel("User name").fill("office");
  await mail.getByLabel("Password").fill("pa:ss");
  await mail.getByRole("button", { name: "Save" }).click();
  await mail.getByText("Saved.").waitFor();
  assert.equal(await mail.getByLabel("Password").inputValue(), "");
  await mail.getByText("A password is stored; leave this empty to keep it.").waitFor();
  const text = page.locator("#settings-panel-transfer form").filter({ has: page.getByRole("heading", { name: "E-mail text" }) });
  await text.getByLabel("Message text").fill("Call from %cid%.");
  await text.getByRole("button", { name: "Save" }).click();
  await text.getByText("Saved.").waitFor();
  await mail.getByRole("button", { name: "Send a test message" }).click();
  // Letters beyond ASCII, which a browser's e-mail field would refuse.
  await answer("Send a test message", { fill: "jörg@müller.de" });
  await mail.getByText("A test message was sent to jörg@müller.de.").waitFor({ timeout: 30000 });
  await shot("console-06b-email-settings");
  await page.click("#settings-close");
  await rows.first().click();
  await page.keyboard.press("Control+s");
  await answer("E-mail", { fill: "owner@example.com" });
  await page.locator("#notices p", { hasText: "1 message e-mailed to owner@example.com." }).waitFor({ timeout: 30000 });
  const sent = [0, 1].map((n) => JSON.parse(readFileSync(join(mailFolder, `${n}.json`), "utf8")));
  assert.deepEqual(sent.map((mail) => [mail.to, mail.login]), [[["jörg@xn--mller-kva.de"], "office"], [["owner@example.com"], "office"]]);
  assert.match(readFileSync(join(mailFolder, "1.part0"), "utf8"), /^Call from \+15551234\.\r\n/);

  say("saved as a WAVE file, then deleted");
  await rows.first().click();
  const [download] = await Promise.all([page.waitForEvent("download"), page.keyboard.press("Alt+w")]);
  const wave = readFileSync(await download.path());
  assert.equal(wave.subarray(0, 4).toString(), "RIFF");
  assert.equal(wave.subarray(8, 12).toString(), "WAVE");
  await page.keyboard.press("Control+Delete");
  await rows.first().waitFor({ state: "detached" });
  await page.locator("#no-messages").waitFor();
  assert.equal(await page.evaluate(() => document.activeElement.id), "mailbox-list");  // the keys go on from there
  assert.equal((await getJson(`/api/messages?mailbox=${encodeURIComponent(proposal)}`)).messages.length, 0);
  await shot("console-07-deleted");

  say("on a phone, a long press starts choosing several and taps toggle rows; Delete takes the chosen ones");
  const message = (id, ext) => join(data, "MailBoxes", `${proposal} ICM${id}.${ext}`);
  const ids = ["900001", "900002", "900003"];
  for (const id of ids) {
    writeFileSync(message(id, "ini"), `[message]\r\ncid=${id}\r\nread=true\r\n`);
    writeFileSync(message(id, "wav"), wave);
  }
  const phone = await phonePage();
  await phone.goto(url);
  const fingerRows = phone.locator("#message-rows tr");
  await fingerRows.nth(2).waitFor();
  // A finger held down 0.7 s, as the touch screen reports it.
  const touch = await phone.context().newCDPSession(phone);
  const longPress = async (row) => {
    const box = await row.boundingBox();
    await touch.send("Input.dispatchTouchEvent", { type: "touchStart", touchPoints: [{ x: box.x + 40, y: box.y + box.height / 2 }] });
    await phone.waitForTimeout(700);
    await touch.send("Input.dispatchTouchEvent", { type: "touchEnd", touchPoints: [] });
  };
  const picked = phone.locator("#msg-picked");
  const chosen = () => fingerRows.evaluateAll((rows) => rows.map((row) => row.getAttribute("aria-selected")).join());
  const pickedIs = (text) => phone.waitForFunction((t) => document.getElementById("msg-picked").textContent === t, text);
  await longPress(fingerRows.nth(0));
  await pickedIs("1 selected");
  await fingerRows.nth(1).tap();
  await fingerRows.nth(2).tap();
  await pickedIs("3 selected");
  await fingerRows.nth(2).tap(); // a second tap takes it out again, and plays nothing
  await pickedIs("2 selected");
  assert.equal(await chosen(), "true,true,false");
  assert.equal(await phone.getAttribute("#message-table", "aria-multiselectable"), "true");
  assert.equal(await picked.getAttribute("role"), "status");
  assert.equal(await phone.getAttribute("#player", "src"), null);
  await phone.screenshot({ path: join(shots, "console-07c-touch-chosen-phone.png") });
  await phone.locator("#msg-picking-delete").tap(); // the bar's, in sight while the list scrolls
  await fingerRows.nth(1).waitFor({ state: "detached" });
  assert.deepEqual(ids.map((id) => existsSync(message(id, "ini")) || existsSync(message(id, "wav"))), [false, false, true]);
  await pickedIs("");
  assert.ok(await phone.locator("#msg-picking-leave").isHidden());
  await phone.screenshot({ path: join(shots, "console-07d-touch-deleted-phone.png") });
  say("the choosing ends when the last chosen row is tapped away, or at Clear selection");
  await longPress(fingerRows.nth(0));
  await pickedIs("1 selected");
  await fingerRows.nth(0).tap();
  await pickedIs("");
  await longPress(fingerRows.nth(0));
  await pickedIs("1 selected");
  await phone.locator("#msg-picking-leave").tap();
  await pickedIs("");
  assert.equal(await chosen(), "false");
  assert.equal(await phone.locator("#errors p").count(), 0);
  await phone.context().close();

  say("the mailbox renamed after the window's warning, then deleted after its question");
  await page.click("#mbx-rename");
  await answer("Rename Mailbox", { text: /^If you rename the Voice Mailbox, you will also need to change any references/ });
  await page.locator("#ask-fields label", { hasText: "Enter Mailbox Name" }).waitFor();
  await answer("Rename Mailbox", { fill: "Sales" });
  await page.waitForFunction(() => document.getElementById("mailbox-list").value === "Sales");
  await page.click("#mbx-delete");
  await dialog.waitFor({ state: "visible" });
  await shot("console-07b-delete-mailbox");
  await answer("Confirm Delete Mailbox", { text: "Are you sure you wish to permanently delete this Mailbox and any Messages?" });
  await page.waitForFunction(() => [...document.getElementById("mailbox-list").options].map((o) => o.value).join() === "Default");

  say("answering off and on again");
  await page.click("#onoff");
  await page.waitForFunction(() => document.getElementById("onoff")?.textContent === "Answering Off");
  assert.equal((await getJson("/api/status")).on, false);
  assert.match(readFileSync(join(data, "settings.ini"), "utf8"), /^on=false/m);
  await shot("console-08-answering-off");
  await page.keyboard.press("Control+o");
  await page.waitForFunction(() => document.getElementById("onoff")?.textContent === "Answering On");
  assert.equal((await getJson("/api/status")).on, true);
  // Ctrl+F9 plays the answering OGM, as callers hear it.
  const answerAudio = page.waitForResponse((r) => r.url().includes("/api/ogm/audio?name=Default+Answering+Message"));
  await page.keyboard.press("Control+F9");
  assert.equal((await answerAudio).ok(), true);

  say("the answer OGM chooser follows a choice made elsewhere; arrow keys choose once they rest");
  const answerOgm = () => readFileSync(join(data, "settings.ini"), "latin1").match(/^ogm=(.*)$/m)?.[1];
  writeFileSync(join(data, "OGMs", "Closed.ini"), "[ivr]\n");
  await page.evaluate(() => document.dispatchEvent(new CustomEvent("ogms-changed")));
  await page.waitForFunction(() => [...document.getElementById("ogm").options].some((o) => o.value === "Closed"));
  await page.evaluate(async () => (await import("./api.js")).api("/api/ogms/select", { name: "Closed" }));
  await page.waitForFunction(() => document.getElementById("ogm").value === "Closed");
  await page.focus("#ogm");
  await page.keyboard.press("ArrowDown");
  await page.waitForTimeout(300);
  assert.equal(answerOgm(), "Closed");
  await page.waitForFunction(() => document.getElementById("ogm").value === "Default Answering Message");
  for (let waited = 0; answerOgm() !== "Default Answering Message" && waited < 5000; waited += 100) await page.waitForTimeout(100);
  assert.equal(answerOgm(), "Default Answering Message");

  say("the notes edited and read back");
  await page.click("#ivr-notes");
  await answer("notes.txt", { fill: () => page.fill("#ask-fields textarea", "Call Bob first.") });
  await page.click("#ivr-notes");
  await dialog.waitFor({ state: "visible" });
  assert.equal(await page.inputValue("#ask-fields textarea"), "Call Bob first.");
  await page.click("#ask-cancel");
  assert.equal(readFileSync(join(data, "notes.txt"), "utf8"), "Call Bob first.");

  say("the IVR program saved with a setting and its notes, and loaded again: the notes show");
  await page.click("#ivr-save");
  await dialog.waitFor({ state: "visible" });
  await page.fill("#ask-fields input[type=text]", "console-test.ivr");
  // Everything is ticked, as the command line saves; leaving out a mailbox
  // the saved OGMs lead to is warned of while the box is open.
  const mailboxes = dialog.locator("fieldset", { hasText: "Mailboxes" }).locator("input");
  assert.ok((await mailboxes.count()) > 0 && (await mailboxes.evaluateAll((all) => all.every((box) => box.checked))));
  const warning = dialog.locator("p.field-error");
  await mailboxes.and(page.locator('[value="Default"]')).uncheck();
  assert.match(await warning.textContent(), /^Not saved: the OGM "Default Answering Message" leads to the mailbox "Default"\./);
  await shot("console-09-save-warning");
  await mailboxes.and(page.locator('[value="Default"]')).check();
  assert.equal(await warning.textContent(), "");
  const carried = page.locator("#ask-fields textarea");
  assert.equal(await carried.inputValue(), "settings:ogm:Default Answering Message");
  await carried.fill("settings:ogm:Default Answering Message\nsettings:nrings:4");
  await dialog.getByLabel("Show the notes after loading").check();
  await shot("console-09-save-program");
  const [saved] = await Promise.all([page.waitForEvent("download"), answer("Save IVR Program")]);
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
  assert.match(readFileSync(join(data, "settings.ini"), "utf8"), /^nrings=4$/m);
  await page.locator("#ask-title", { hasText: "IVR Program Notes" }).waitFor({ timeout: 60000 });
  await shot("console-10-program-notes", { within: dialog });
  await closeNotes();
  await shot("console-10-program-loaded");
  const loadedNotice = page.locator("#notices p", { hasText: "IVR program loaded" });
  await loadedNotice.getByRole("button", { name: "Dismiss" }).click();
  await loadedNotice.waitFor({ state: "detached" });

  say("the same program loaded again deletes an OGM made since: the chooser forgets it");
  writeFileSync(join(data, "OGMs", "Leftover.ini"), "[ogm]\n");
  await page.reload();
  await page.locator('#ogm option[value="Leftover"]').waitFor({ state: "attached" });
  await page.waitForFunction(() => document.getElementById("onoff")?.textContent === "Answering On");
  assert.equal(await loadedNotice.count(), 0, "a dismissed notice stays away");
  const againChosen = page.waitForEvent("filechooser");
  await page.click("#ivr-load");
  await (await againChosen).setFiles({ name: "console-test.ivr", mimeType: "application/octet-stream", buffer: readFileSync(program) });
  await page.waitForFunction(() => !document.querySelector('#ogm option[value="Leftover"]'), null, { timeout: 60000 });
  await loadedNotice.waitFor();
  await closeNotes();

  say("a broken program file is refused before anything changes, and says why");
  const brokenChooser = page.waitForEvent("filechooser");
  await page.click("#ivr-load");
  await (await brokenChooser).setFiles({ name: "broken.ivr", mimeType: "application/octet-stream", buffer: Buffer.from("not a program") });
  const refusal = page.locator("#errors p", { hasText: "IVR program not loaded, nothing changed" });
  await refusal.waitFor({ timeout: 60000 });
  expectRefused(400);
  assert.ok(!existsSync(join(data, "IVR Programs", "broken.ivr")), "a refused upload is not kept");
  await shot("console-11-program-refused");
  await refusal.locator(".dismiss").click();
  say("a new IVR program after the window's question: no OGMs left");
  await page.click("#ivr-new");
  await answer("New IVR", { text: "This will delete all existing OGMs. Are you sure you wish to create a new IVR Program?" });
  await page.waitForFunction(() => document.querySelector("#ogm option")?.textContent.endsWith("(missing)"));
  await page.locator("#notices p", { hasText: "New IVR program" }).waitFor();
  await shot("console-12-new-program");

  say("the logs: the day's call log shows the call; the system log narrowed to a text and downloaded");
  await page.click("nav.views a[data-view=logs]");
  await page.waitForFunction(() => document.getElementById("logs-text")?.textContent.includes("[Answered]"));
  assert.match(await page.inputValue("#logs-file"), /^\d{4}-\d{2}-\d{2} Call Log\.txt$/);
  const systemLog = await page.locator('#logs-file optgroup[label="System logs"] option').first().getAttribute("value");
  await page.selectOption("#logs-file", systemLog);
  await page.waitForFunction(() => document.getElementById("logs-text")?.textContent.includes("IVR program"));
  await page.fill("#logs-find", "console-test.ivr");
  const narrowed = (await page.textContent("#logs-text")).split("\n");
  assert.ok(narrowed.length >= 2 && narrowed.every((line) => line.includes("console-test.ivr")), narrowed.join("|"));
  await shot("console-13-logs");
  const [logFile] = await Promise.all([page.waitForEvent("download"), page.click("#logs-download")]);
  assert.equal(logFile.suggestedFilename(), systemLog);
  assert.match(readFileSync(await logFile.path(), "utf8"), /New IVR program/);

  say("Help: F1 opens it; a topic's link keeps the Help view and brings the topic into sight");
  await page.keyboard.press("F1");
  await page.locator("#view-help").waitFor();
  await page.click('.help-contents a[href="#help-remote"]');
  await page.waitForFunction(() => location.hash === "#help-remote");
  assert.ok(await page.isVisible("#help-remote"));
  await shot("console-14-help", { scrollTo: "#help-remote" });
});
