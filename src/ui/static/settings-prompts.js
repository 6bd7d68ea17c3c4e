// The settings' System Prompts page: the prompts of the system prompt
// folder by title, and the audio widget acting on the one selected.
import { api } from "./api.js";
import { audioWidget } from "./audio-widget.js";

let list = null;
let prompts = [];

const widget = audioWidget({
  id: "prompt",
  path: "/api/prompt/audio",
  restore: {
    path: "/api/prompt/restore",
    label: "Restore",
    caption: "Restore",
    question: "Replace this prompt by its factory recording?",
  },
  onChange: () => showSelected(),
});

function showSelected() {
  const prompt = prompts.find((p) => p.name === list.value);
  if (!prompt) return widget.show("", prompts.length ? "Select a prompt." : "There are no system prompts.");
  const note = prompt.factory ? "" : " (no factory recording)";
  widget.show(prompt.name, `${prompt.name}.wav${note}`, { canRestore: prompt.factory });
}

export async function refresh() {
  ({ prompts } = await api("/api/prompts"));
  // The number words in their order: 7, 8, 70, not 7, 70, 8.
  prompts.sort((a, b) => a.name.localeCompare(b.name, "en", { numeric: true }));
  const chosen = list.value;
  list.replaceChildren(...prompts.map(({ name }) => new Option(name, name)));
  list.value = chosen;
  if (list.selectedIndex < 0 && prompts.length) list.selectedIndex = 0;
  showSelected();
}

export async function build(panel) {
  const label = Object.assign(document.createElement("label"), { htmlFor: "prompt-list", textContent: "System prompts" });
  list = Object.assign(document.createElement("select"), { id: "prompt-list", size: 12, className: "prompt-list" });
  list.addEventListener("change", showSelected);
  const box = Object.assign(document.createElement("div"), { className: "prompt-page" });
  box.append(Object.assign(document.createElement("div"), { className: "prompt-choice" }), widget.element);
  box.firstChild.append(label, list);
  panel.append(box);
  await refresh();
}
