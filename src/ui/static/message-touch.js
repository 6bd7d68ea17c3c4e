// Choosing several messages on a touch screen, which has no Ctrl or Shift:
// a long press on a row starts it and adds the row, then a tap toggles a
// row (and plays nothing). It ends with the bar's button, an empty
// selection, or one row chosen alone (after Delete or Move, by mouse or keys).
import * as messages from "./messages.js";

const LONG_PRESS_MS = 500;
const SLOP_PX = 10; // a finger moving further is scrolling
const body = document.getElementById("message-rows");
const bar = document.getElementById("msg-picking");
const count = document.getElementById("msg-picked");
const leave = document.getElementById("msg-picking-leave");
// The toolbar's Delete and Move, repeated in the bar, which stays in sight
// while a long list scrolls.
const actions = [...bar.querySelectorAll("button[data-does]")];

let picking = false;
let press = null; // {x, y, timer} while a finger rests on a row
let pressed = false; // a long press ended: its click is no tap
let touched = false; // the last pointer down on the rows was a finger

// The count is a polite live region: it is written only when it changes.
function show() {
  const selected = body.querySelectorAll('tr[aria-selected="true"]').length;
  if (!selected) picking = false;
  bar.classList.toggle("on", picking);
  for (const button of [leave, ...actions]) button.hidden = !picking;
  const text = picking ? `${selected} selected` : "";
  if (count.textContent !== text) count.textContent = text;
}

function endPress() {
  clearTimeout(press?.timer);
  press = null;
}

function longPress(tr) {
  press = null;
  pressed = picking = true;
  messages.selectRow(tr, "add");
}

body.addEventListener("pointerdown", (event) => {
  endPress();
  touched = event.pointerType === "touch";
  pressed = false;
  const tr = event.target.closest("tr");
  if (!touched || !tr || event.target.closest("button")) return;
  press = { x: event.clientX, y: event.clientY, timer: setTimeout(() => longPress(tr), LONG_PRESS_MS) };
});
body.addEventListener("pointermove", (event) => {
  if (press && Math.hypot(event.clientX - press.x, event.clientY - press.y) > SLOP_PX) endPress();
});
body.addEventListener("pointerup", endPress);
body.addEventListener("pointercancel", endPress);
body.addEventListener("contextmenu", (event) => touched && event.preventDefault());

// Captured before the row's own click (keys.js), which chooses the row alone.
body.addEventListener(
  "click",
  (event) => {
    const tr = event.target.closest("tr");
    if (!tr || event.target.closest("button")) return; // the delivery mark's own tap
    if (pressed) event.stopPropagation();
    else if (picking && touched) {
      event.stopPropagation();
      messages.selectRow(tr, "toggle");
    }
    pressed = false;
  },
  true,
);
body.addEventListener("dblclick", (event) => picking && event.stopPropagation(), true);

body.addEventListener("row-select", (event) => {
  if (event.detail === "plain" || event.detail === "extend") picking = false;
  show();
});
// Rows gone (deleted, moved, another mailbox) may leave none selected.
new MutationObserver(show).observe(body, { childList: true, subtree: true, attributeFilter: ["aria-selected"] });

leave.addEventListener("click", () => {
  messages.selectNone();
  body.querySelector('tr[tabindex="0"]')?.focus({ preventScroll: true });
});

for (const button of actions) {
  button.addEventListener("click", () => document.getElementById(button.dataset.does).click());
}
