// What the user is told: engine notices (polite), request errors (alert),
// and the progress of long jobs.
const notices = document.getElementById("notices");
const errors = document.getElementById("errors");
const progress = document.getElementById("progress");
const progressTitle = document.getElementById("progress-title");
const progressStep = document.getElementById("progress-step");
const progressBar = document.getElementById("progress-bar");
const ERROR_SHOWN_MS = 15000;

// A Dismiss button that removes `line`, then calls `dismissed`.
function dismissButton(line, dismissed = () => {}) {
  const close = document.createElement("button");
  close.type = "button";
  close.className = "dismiss";
  close.textContent = "Dismiss";
  close.addEventListener("click", () => {
    line.remove();
    dismissed();
  });
  return close;
}

// Shows the engine's standing notices, keyed so each keeps its own line. One
// given `dismissed` has a Dismiss button that calls it; its `id` tells it
// from an earlier notice of the same text.
export function setNotice(key, text, { id = text, dismissed = null } = {}) {
  let line = notices.querySelector(`[data-key="${key}"]`);
  if (!text) return line?.remove();
  if (!line) {
    line = document.createElement("p");
    line.dataset.key = key;
    notices.append(line);
  }
  if (line.dataset.id === id) return;
  line.dataset.id = id;
  line.textContent = text;
  if (dismissed) line.append(" ", dismissButton(line, dismissed));
}

// A finished command's confirmation, shown a while under its key.
export function showDone(key, text) {
  setNotice(key, text);
  setTimeout(() => notices.querySelector(`[data-key="${key}"]`)?.dataset.id === text && setNotice(key, ""), ERROR_SHOWN_MS);
}

// An error the user must see: its text, kept a while, dismissable.
export function showError(error) {
  const text = error instanceof Error ? error.message : String(error);
  const line = document.createElement("p");
  line.textContent = text;
  line.append(" ", dismissButton(line));
  errors.append(line);
  setTimeout(() => line.remove(), ERROR_SHOWN_MS);
}

// Runs an action, showing any error it throws.
export function guarded(action) {
  return async (...args) => {
    try {
      await action(...args);
    } catch (error) {
      showError(error);
    }
  };
}

// The progress bar: the job's title, step and fraction; no title hides it.
export function setProgress(title, stepText, fraction) {
  progress.hidden = !title;
  if (!title) return;
  progressTitle.textContent = title;
  progressStep.textContent = stepText || "";
  progressBar.value = Math.max(0, Math.min(1, Number(fraction) || 0));
}
