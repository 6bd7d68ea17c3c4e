// The keys of the message list and the window. Ctrl+W and Ctrl+T belong to
// the browser (close and new tab) and cannot be taken: Save as is Alt+W and
// Move is Alt+T. F1 opens Help; Ctrl+F9 plays the answering OGM.
import * as commands from "./commands.js";
import { dialogOpen } from "./dialogs.js";
import * as messages from "./messages.js";
import { guarded } from "./notices.js";

const rowsBody = document.getElementById("message-rows");
const consoleView = document.getElementById("console");

function typing(target) {
  return target instanceof HTMLInputElement || target instanceof HTMLTextAreaElement || target instanceof HTMLSelectElement;
}

function inRows(target) {
  return rowsBody.contains(target);
}

// The shortcut for one key press, or null.
function commandFor(event, actions) {
  const ctrl = event.ctrlKey || event.metaKey;
  const key = event.key;
  if (ctrl && !event.altKey) {
    if (key === "o" || key === "O") return () => actions.setAnswering(true);
    if (key === "f" || key === "F") return () => actions.setAnswering(false);
    if (key === "s" || key === "S") return guarded(commands.emailMessages);
    if (key === "Delete" && !typing(event.target)) return guarded(commands.deleteMessages);
    if (key === "F9") return () => actions.playAnswerOgm();
    return null;
  }
  if (event.altKey && !ctrl) {
    if (event.code === "KeyW") return guarded(commands.saveMessages);
    if (event.code === "KeyT") return guarded(commands.moveMessages);
    return null;
  }
  if (event.shiftKey && !inRows(event.target)) return null;
  switch (key) {
    case "F1":
      return () => (location.hash = "help");
    case "F9":
      return () => messages.play();
    case "Escape":
      return messages.isPlaying() ? () => messages.stop() : null;
    case "ArrowLeft":
    case "ArrowRight":
      return messages.isPlaying() && !typing(event.target) ? () => messages.seekBy(key === "ArrowLeft" ? -1 : 1) : null;
    case "PageUp":
    case "PageDown": {
      if (typing(event.target)) return null;
      return () => {
        const keep = messages.isPlaying();
        messages.step(key === "PageUp" ? -1 : 1);
        if (keep) messages.play();
      };
    }
    default:
      // A button in a row (the delivery mark) takes its own Enter and Space.
      return inRows(event.target) && !event.target.closest("button") ? rowKey(event) : null;
  }
}

// Keys on a focused row: arrows move, Space selects, Enter plays.
function rowKey(event) {
  const extend = event.shiftKey ? "extend" : "plain";
  switch (event.key) {
    case "ArrowUp":
      return () => messages.step(-1, extend);
    case "ArrowDown":
      return () => messages.step(1, extend);
    case " ":
      return () => messages.selectRow(event.target, "toggle");
    case "Enter":
      return () => messages.play(event.target.dataset.id);
    default:
      return null;
  }
}

export function bindKeys(actions) {
  document.addEventListener("keydown", (event) => {
    if (dialogOpen() || consoleView.hidden) return;
    const command = commandFor(event, actions);
    if (!command) return;
    event.preventDefault();
    command();
  });
  rowsBody.addEventListener("click", (event) => {
    const tr = event.target.closest("tr");
    if (!tr) return;
    messages.selectRow(tr, event.ctrlKey || event.metaKey ? "toggle" : event.shiftKey ? "extend" : "plain");
  });
  rowsBody.addEventListener("dblclick", (event) => {
    const tr = event.target.closest("tr");
    if (!tr) return;
    messages.selectRow(tr);
    messages.play(tr.dataset.id);
  });
}
