// Calls the answering program from the console's Phone view with a fake
// microphone, and checks that phones are separate calls of their sessions.
// node phone_test.mjs URL DATA-FOLDER SCREENSHOT-FOLDER MICROPHONE.wav
import assert from "node:assert/strict";
import { fakeMicrophone, openBrowser } from "./browser.mjs";

const [url, , shots, microphone] = process.argv.slice(2);
const { browser, page, say, shot, run } = await openBrowser(shots, fakeMicrophone(microphone));

const log = page.locator("#phone-log");
const callButton = page.locator("#phone-call");

// A POST of JSON (or of bytes) in the session of the browser context whose
// requests are `from`, made from here so the refusals expected are no page
// errors: its status and answer.
async function post(from, path, body) {
  const { token } = await (await from.get(new URL("/api/session", url).href)).json();
  const type = Buffer.isBuffer(body) ? "application/octet-stream" : "application/json";
  const response = await from.post(new URL(path, url).href, { headers: { "X-Console-Token": token, "Content-Type": type }, data: body });
  return { status: response.status(), body: await response.json() };
}

await run("phone_test", async () => {
  say("the Phone view is idle and its keypad does nothing");
  await page.goto(`${url}#phone`);
  await callButton.waitFor();
  // The page's own session first: a session the requests below opened
  // meanwhile would take the shared cookie from it.
  await page.waitForFunction(() => document.getElementById("ogm")?.value !== "");
  assert.equal(await callButton.textContent(), "Connect Call");
  assert.equal(await page.locator(".keypad button").count(), 12);
  await page.keyboard.press("5");
  const own = page.request;
  assert.equal((await post(own, "/api/phone/key", { id: 1, key: "5" })).status, 409);
  await shot("phone-01-idle");

  say("Connect Call answers, and the answering OGM's tone is heard");
  await callButton.click();
  await page.waitForFunction(() => document.getElementById("phone-call").textContent === "Hang Up");
  await page.waitForFunction(() => Number(document.getElementById("view-phone").dataset.earPeak) > 0.2);
  await log.filter({ hasText: "Answered line" }).waitFor();
  await shot("phone-02-connected");

  say("key 2 on the keyboard leaves a message: the microphone speaks for a few seconds");
  await page.keyboard.press("2");
  await log.filter({ hasText: "Caller pressed key [2]" }).waitFor();
  await log.filter({ hasText: "Recording File:" }).waitFor({ timeout: 30000 });
  await page.waitForTimeout(4000);
  await shot("phone-03-recording");

  say("a microphone post held up for 1.5 s makes the next one no larger than the console takes");
  const posted = [];
  let unseen = 0; // posts whose body the browser did not show
  const recordSize = (request) => {
    if (!request.url().includes("/api/phone/mic")) return;
    const body = request.postDataBuffer();
    if (body) posted.push(body.length);
    else unseen += 1;
  };
  page.on("request", recordSize);
  let hold = true;
  await page.route("**/api/phone/mic*", async (route) => {
    if (hold) await new Promise((resume) => setTimeout(resume, 1500));
    hold = false;
    await route.continue();
  });
  await page.waitForTimeout(2500);
  await page.unrouteAll();
  page.off("request", recordSize);
  assert.equal(Math.max(...posted), 8000, `post sizes ${posted}, ${unseen} not shown by the browser`);

  say("Hang Up ends the call and the button says so");
  await callButton.click();
  await page.waitForFunction(() => document.getElementById("phone-call").textContent === "Connect Call");
  await shot("phone-04-ended");

  say("two phones at once are two calls; another session reaches neither");
  const first = await post(own, "/api/phone/connect", {});
  const second = await post(own, "/api/phone/connect", {});
  assert.equal(first.status, 200);
  assert.equal(second.status, 200);
  assert.notEqual(first.body.id, second.body.id);
  const stranger = (await browser.newContext()).request;
  assert.equal((await post(stranger, "/api/phone/key", { id: second.body.id, key: "1" })).status, 409);
  assert.equal((await post(stranger, `/api/phone/mic?id=${second.body.id}`, Buffer.alloc(1600))).status, 404);
  assert.equal((await post(own, "/api/phone/hangup", { id: first.body.id })).status, 200);
  assert.equal((await post(own, "/api/phone/key", { id: first.body.id, key: "1" })).status, 409);
  assert.equal((await post(own, `/api/phone/mic?id=${second.body.id}`, Buffer.alloc(1600))).status, 200);
  assert.equal((await post(own, "/api/phone/key", { id: second.body.id, key: "1" })).status, 200);
  assert.equal((await post(own, "/api/phone/hangup", { id: second.body.id })).status, 200);
});
