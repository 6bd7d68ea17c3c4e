// Drives the OGM list in headless Chromium.
// node ogms_test.mjs URL DATA-FOLDER SCREENSHOT-FOLDER
import assert from "node:assert/strict";
import { existsSync, readFileSync } from "node:fs";
import { join } from "node:path";
import { openBrowser } from "./browser.mjs";

const [url, data, shots] = process.argv.slice(2);
const { page, say, shot, expectRefused, answer, run } = await openBrowser(shots);

const dialog = page.locator("dialog#ask");
const ogmFile = (name) => join(data, "OGMs", name);
const row = (name) => page.locator(`#ogm-rows tr[data-name="${name}"]`);

async function waitForNames(expected) {
  await page.waitForFunction(
    (want) => [...document.querySelectorAll("#ogm-rows tr")].map((tr) => tr.dataset.name).join("|") === want,
    expected.join("|"),
  );
}

const alphabetical = ["Alpha Unused", "Default Answering Message", "Help", "Number Entry", "Sales", "Zed Info"];
const logical = ["Default Answering Message", "Sales", "Help", "Zed Info", "Alpha Unused", "Number Entry"];

await run("ogms_test", async () => {
  say("the list in alphabetical order with its columns");
  await page.goto(`${url}#ogms`);
  await waitForNames(alphabetical);
  assert.equal(await row("Number Entry").locator("td").nth(1).textContent(), "Data");
  assert.equal(await row("Sales").locator("td").nth(1).textContent(), "Menu");
  assert.equal(await row("Alpha Unused").locator("td").nth(2).textContent(), "Script <b>{bold}</b> C:\\path  second line");
  assert.equal(await row("Alpha Unused").locator(".answer-mark").getAttribute("aria-label"), "Not marked as an answering OGM");
  assert.equal(await row("Sales").locator(".answer-mark").getAttribute("aria-label"), "Marked as an answering OGM");
  // The one callers hear first says so.
  await row("Default Answering Message").locator(".answering-now").waitFor();
  assert.ok(!(await row("Sales").locator(".answering-now").isVisible()));
  await shot("ogms-01-alphabetical");

  say("the logical order, remembered across a reload");
  await page.selectOption("#ogm-order", "1");
  await waitForNames(logical);
  await page.reload();
  await waitForNames(logical);
  assert.equal(await page.inputValue("#ogm-order"), "1");
  await shot("ogms-02-logical");

  say("New creates the file and hands it to the editor");
  await page.evaluate(() => document.addEventListener("ogm-edit", (e) => (window.edited = e.detail.name)));
  await page.click("#ogm-new");
  await dialog.waitFor({ state: "visible" });
  assert.equal(await page.inputValue("#ask-fields input"), "OGM 1");
  await shot("ogms-03-new");
  await answer("New OGM", { text: "Enter New OGM Name" });
  await page.waitForFunction(() => window.edited === "OGM 1");
  assert.ok(existsSync(ogmFile("OGM 1.ini")));
  await row("OGM 1").waitFor();
  // The editor opens on it; its own test edits, this one closes it.
  await page.locator("#ogm-editor").waitFor({ state: "visible" });
  await page.click("#ogm-close");
  await page.locator("#ogm-editor").waitFor({ state: "hidden" });

  say("Rename onto an existing OGM fails and changes nothing; then a free name");
  await row("OGM 1").click();
  await page.click("#ogm-rename");
  await answer("Warning");
  await answer("Rename OGM", { fill: "Sales" });
  await answer("Rename Fail", { text: "Unable to rename file. That OGM already exists." });
  expectRefused(409);
  assert.ok(existsSync(ogmFile("OGM 1.ini")));
  await page.click("#ogm-rename");
  await answer("Warning");
  await answer("Rename OGM", { fill: "Greeting" });
  await row("Greeting").waitFor();
  assert.ok(existsSync(ogmFile("Greeting.ini")) && !existsSync(ogmFile("OGM 1.ini")));

  say("Delete asks first; Enter out of habit answers No; Yes removes the files");
  await row("Greeting").click();
  await page.keyboard.press("Delete");
  await page.locator("dialog#ask").waitFor({ state: "visible" });
  await page.keyboard.press("Enter");
  await page.locator("dialog#ask").waitFor({ state: "hidden" });
  assert.ok(existsSync(ogmFile("Greeting.ini")));
  await page.keyboard.press("Delete");
  await answer("Confirm Delete OGM", { text: "Are you sure you wish to permanently delete this OGM?" });
  await row("Greeting").waitFor({ state: "detached" });
  assert.ok(!existsSync(ogmFile("Greeting.ini")));

  say("Play: the recorded OGM plays in the browser; one never recorded tells why");
  await row("Default Answering Message").click();
  await page.click("#ogm-play");
  await page.waitForFunction(() => document.getElementById("ogm-player").readyState >= 2);
  await row("Help").click();
  await page.click("#ogm-play");
  await answer("Play Fail", { text: /^Unable to play this OGM\.\r?\nIt is possible/ });
  expectRefused(404);

  say("the report in the page, escaped, and as a download");
  await page.click("#ogm-report");
  const report = page.locator("#ogm-report-body");
  await report.locator("h3").first().waitFor();
  assert.deepEqual(await report.locator("h3").allTextContents(), logical);
  const text = await report.textContent();
  assert.match(text, /\+ Press 1: Go to OGM Sales\./);
  assert.match(text, /Script <b>\{bold\}<\/b> C:\\path/);
  assert.match(text, /-> Leave Message for Mailbox Default/);
  await shot("ogms-04-report");
  const [download] = await Promise.all([page.waitForEvent("download"), page.click("#ogm-report-download")]);
  assert.equal(download.suggestedFilename(), "report.rtf");
  const rtf = readFileSync(await download.path(), "latin1");
  assert.match(rtf, /\{\\i Script <b>\\\{bold\\\}<\/b> C:\\\\path\\par/);
  assert.match(readFileSync(join(data, "settings.ini"), "latin1"), /ivrmodified=true/);

  say("a rename names what still goes to the old name and moves it on request");
  await page.click("#ogm-report-close");
  await row("Zed Info").click();
  await page.click("#ogm-rename");
  await answer("Warning");
  await answer("Rename OGM", { fill: "Info Desk" });
  await page.locator("dialog#ask").waitFor({ state: "visible" });
  await shot("ogms-05-references");
  await answer("Update References", { text: /"Zed Info", which no longer exists:\r?\nSales: key 1\r?\n/ });
  await row("Info Desk").waitFor();
  const moved = () => /press1go=Info Desk/.test(readFileSync(ogmFile("Sales.ini"), "latin1"));
  for (let i = 0; i < 50 && !moved(); i++) await page.waitForTimeout(100);
  assert.ok(moved(), "Sales still goes to Zed Info");

  say("a long OGM name answering: the chooser keeps to its width, beside the lamps, on a phone too");
  const long = "Spring holidays: the office is closed, callers hear the opening hours and leave a message for the duty team now!";
  assert.equal(long.length, 112);
  await page.evaluate(async (name) => {
    const { api } = await import("./api.js");
    await api("/api/ogmlist/new", { name });
    await api("/api/ogms/select", { name });
  }, long);
  await page.reload();
  await page.waitForFunction((name) => document.getElementById("ogm").value === name, long);
  assert.equal(await page.getAttribute("#ogm", "title"), long);
  const [chooser, lamps] = await Promise.all(["#ogm", "#lines"].map((at) => page.locator(at).boundingBox()));
  assert.ok(chooser.width <= 24 * 16 + 1, `the chooser is ${chooser.width} px wide`);
  assert.ok(lamps.y < chooser.y + chooser.height, "the line lamps share the chooser's row");
  await shot("ogms-06-long-name");  // on a phone the page may not scroll sideways
});
