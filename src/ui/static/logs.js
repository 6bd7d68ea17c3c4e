// The logs view (#logs): the daily call and system logs and each line's
// most recent call, read back. One log is shown at a time, its last lines
// when it is long; the lines can be narrowed to those holding a text, and
// the whole file downloaded.
import { api, query } from "./api.js";
import { el } from "./form-fields.js";
import { guarded } from "./notices.js";

const view = document.getElementById("view-logs");
const GROUPS = [["call", "Call logs"], ["system", "System logs"], ["recent", "Most recent call of each line"]];

let built = false;
let chooser, finder, text, status, download;
let lines = [];

// The closed chooser shows no group, so a caption names its kind.
function caption(file) {
  if (file.kind === "recent") return `Line ${file.line}: most recent call`;
  return `${file.date} ${file.kind === "call" ? "call log" : "system log"}`;
}

function build() {
  chooser = el("select", { id: "logs-file" });
  chooser.addEventListener("change", guarded(showChosen));
  finder = el("input", { id: "logs-find", type: "search", autocomplete: "off" });
  finder.addEventListener("input", showLines);
  const reload = el("button", { type: "button", id: "logs-reload" }, "Reload");
  reload.addEventListener("click", guarded(load));
  download = el("a", { id: "logs-download", className: "button" }, "Download");
  status = el("p", { id: "logs-status", className: "hint", role: "status" });
  text = el("pre", { id: "logs-text", className: "log-view logs-text", tabIndex: 0 });
  text.setAttribute("aria-labelledby", "logs-heading");
  view.append(
    el("h2", { id: "logs-heading" }, "Logs"),
    el("div", { className: "logs-bar" },
      el("div", { className: "field" }, el("label", { htmlFor: "logs-file" }, "Log"), chooser),
      el("div", { className: "field" }, el("label", { htmlFor: "logs-find" }, "Show lines holding"), finder),
      el("div", { className: "buttons" }, reload, download)),
    status,
    text,
  );
  built = true;
}

function fillChooser(files) {
  const keep = chooser.value;
  chooser.replaceChildren();
  for (const [kind, label] of GROUPS) {
    const group = el("optgroup", { label });
    for (const file of files.filter((f) => f.kind === kind)) group.append(new Option(caption(file), file.name));
    if (group.children.length) chooser.append(group);
  }
  if (files.some((f) => f.name === keep)) chooser.value = keep;
}

async function load() {
  const { files } = await api("/api/logs");
  fillChooser(files);
  download.hidden = files.length === 0;
  if (files.length === 0) {
    lines = [];
    text.textContent = "";
    status.textContent = "No log has been written yet.";
    return;
  }
  await showChosen();
}

async function showChosen() {
  const name = chooser.value;
  download.href = query("/api/logs/download", { name });
  download.download = name;
  const log = await api(query("/api/logs/text", { name }));
  lines = log.text.split(/\r?\n/);
  if (lines.at(-1) === "") lines.pop();
  status.textContent = log.cut ? "Only the last lines are shown; download the log for all of it." : "";
  showLines();
  text.scrollTop = text.scrollHeight;
}

function showLines() {
  const wanted = finder.value.trim().toLowerCase();
  const shown = wanted ? lines.filter((line) => line.toLowerCase().includes(wanted)) : lines;
  text.textContent = shown.join("\n");
  if (wanted && shown.length === 0) text.textContent = "No line holds that text.";
}

document.addEventListener("view-shown", guarded(async (event) => {
  if (event.detail !== "logs") return;
  if (!built) build();
  await load();
}));
