// The audio widget in headless Chromium with a fake microphone: a mailbox
// greeting recorded and restored, a system prompt synthesized and restored
// from its factory copy, a sound recorded, an OGM's audio recorded. The recordings are copied
// out for the script to measure (levelling rewrites them later).
// node audio_test.mjs URL DATA-FOLDER SCREENSHOT-FOLDER MICROPHONE.wav OUT-FOLDER
import assert from "node:assert/strict";
import { copyFileSync, existsSync, readdirSync, readFileSync } from "node:fs";
import { join } from "node:path";
import { fakeMicrophone, iniValue, openBrowser } from "./browser.mjs";

const [url, data, shots, microphone, out] = process.argv.slice(2);
const { page, say, shot, answer, run } = await openBrowser(shots, fakeMicrophone(microphone));

const greeting = join(data, "MailBoxes", "Default OGM.wav");
const promptFile = (folder) => {
  const name = readdirSync(join(data, folder)).find((file) => /^goodbye\.wav$/i.test(file));
  return join(data, folder, name);
};

// Records `seconds` from the fake microphone with widget `id`, then stops.
async function record(id, seconds) {
  await page.click(`#${id}-record`);
  await page.locator(`#${id}-record`, { hasText: "Stop" }).waitFor();
  await page.waitForFunction(
    ([which, at]) => document.getElementById(`${which}-time`).textContent >= at,
    [id, `0:0${seconds}`],
  );
  const level = await page.$eval(`#${id}-level`, (meter) => meter.value);
  assert.ok(level > 0.7, `the meter shows the tone at ${level}`);
}

async function stopRecording(id) {
  await page.click(`#${id}-record`);
  await page.locator(`#${id}-record:enabled`, { hasText: "Record" }).waitFor();
}

await run("audio_test", async () => {
  say("the mailbox properties show the greeting: none yet, so callers hear LeaveMessage");
  await page.goto(url);
  await page.waitForFunction(() => document.getElementById("mailbox-list").value === "Default");
  await page.click("#mbx-properties");
  await page.locator("#mbx-greeting-state", { hasText: "LeaveMessage" }).waitFor();
  await shot("audio-01-greeting", { scrollTo: "#mbx-greeting" });

  say("a greeting recorded from the microphone is stored as Default OGM.wav");
  await record("mbx-greeting", 3);
  await shot("audio-02-recording", { scrollTo: "#mbx-greeting" });
  await stopRecording("mbx-greeting");
  await page.locator("#mbx-greeting-state", { hasText: "Default OGM.wav" }).waitFor();
  copyFileSync(greeting, join(out, "greeting.wav"));

  say("Play plays it in the browser");
  await page.click("#mbx-greeting-play");
  await page.waitForFunction(() => document.getElementById("mbx-greeting-player").currentTime > 0.2);

  say("Restore default deletes the greeting");
  await page.click("#mbx-greeting-restore");
  await answer("Restore default");
  await page.locator("#mbx-greeting-state", { hasText: "LeaveMessage" }).waitFor();
  assert.ok(!existsSync(greeting));
  assert.ok(await page.isDisabled("#mbx-greeting-restore"), "nothing left to restore");
  await page.click("#mbx-props-cancel");

  say("the System Prompts tab lists the prompts; Goodbye is chosen");
  const factory = readFileSync(promptFile("Default System Prompts"));
  const prompt = promptFile("System Prompts");
  const title = prompt.split("/").pop().slice(0, -4);
  await page.goto(`${url}#settings`);
  await page.click("#settings-tab-prompts");
  await page.locator(`#prompt-list option[value="${title}"]`).waitFor({ state: "attached" });
  await page.selectOption("#prompt-list", title);
  await page.locator("#prompt-state", { hasText: `${title}.wav` }).waitFor();
  await shot("audio-03-prompts");

  say("synthesized text replaces the prompt; the voice chosen is kept as the preferred one");
  await page.click("#prompt-synthesize");
  await page.fill("#prompt-text", "Thank you for calling. Have a good day.");
  const voices = await page.locator("#prompt-voice option").count();
  await page.selectOption("#prompt-voice", String(voices - 1));
  await shot("audio-04-synthesize", { scrollTo: "#prompt-speak" });
  await page.click("#prompt-speak");
  await page.locator(".audio-speech").first().waitFor({ state: "hidden" });
  await page.locator("#prompt-restore:enabled").waitFor();
  assert.notDeepEqual(readFileSync(prompt), factory);
  assert.equal(iniValue(join(data, "settings.ini"), "preferredspeaker"), String(voices - 1));

  say("Restore copies the factory recording back");
  // A user takes seconds, so the spoken prompt's levelling has ended by then.
  await page.waitForFunction(
    (name) => new RegExp(`Levelled ${name}\\.wav`, "i").test(document.getElementById("log").textContent),
    title,
    { timeout: 30000 },
  );
  // The button's hold starts only once the dialog has closed, so a wait for
  // it enabled could pass before the request went out: wait for the answer.
  const restored = page.waitForResponse((response) => response.url().includes("/api/prompt/restore"));
  await page.click("#prompt-restore");
  await answer("Restore");
  await restored;
  await page.waitForFunction(() => !document.getElementById("prompt-restore").disabled);
  assert.deepEqual(readFileSync(prompt), factory);

  say("a new sound, recorded, is listed with its path");
  const sound = join(data, "Sounds", "Price list.wav");
  await page.click("#settings-tab-sounds");
  await page.click("#sound-new");
  await answer("New Sound", { fill: "Price list" });
  await page.locator("#sound-state", { hasText: "A new sound" }).waitFor();
  await record("sound", 1);
  await stopRecording("sound");
  await page.locator("#sound-state", { hasText: sound }).waitFor();
  assert.ok(existsSync(sound));
  await shot("audio-04b-sounds");

  say("the OGM editor offers the sound for its file fields, and records the answering OGM's audio");
  await page.goto(`${url}#messages`);
  await page.evaluate(() =>
    document.dispatchEvent(new CustomEvent("ogm-edit", { detail: { name: "Default Answering Message" } })),
  );
  await page.locator("#ogm-audio-record:enabled").waitFor();
  await page.locator(`#ogm-editor-sounds option[value="${sound}"]`).waitFor({ state: "attached" });
  await page.click("#ogm-audio-synthesize");
  await page.locator("#ogm-audio-text").waitFor();
  assert.equal(await page.inputValue("#ogm-audio-text"), await page.inputValue("#ogm-text"), "the script to speak");
  // An OGM without a script gets the text it was spoken from.
  await page.fill("#ogm-text", "");
  await page.fill("#ogm-audio-text", "Welcome to the shop.");
  await page.click("#ogm-audio-speak");
  await page.locator("#ogm-audio-state", { hasText: "spoken, stored and in use" }).waitFor();
  assert.equal(await page.inputValue("#ogm-text"), "Welcome to the shop.");
  await record("ogm-audio", 2);
  await stopRecording("ogm-audio");
  await page.locator("#ogm-audio-state", { hasText: "Default Answering Message.wav" }).waitFor();
  copyFileSync(join(data, "OGMs", "Default Answering Message.wav"), join(out, "ogm.wav"));
  await shot("audio-05-ogm-editor", { scrollTo: "#ogm-audio" });
});
