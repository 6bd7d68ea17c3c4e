// The number list's Load List, Save List and Clear: the browser's own file
// choice and download stand in for the file dialogs; the list file's name
// is remembered as "savedfile".
import { api } from "./api.js";
import { ask, confirmBox } from "./dialogs.js";
import { el } from "./form-fields.js";
import { guarded } from "./notices.js";

const DEFAULT_NAME = "Number List.txt";

async function loadFrom(input, shown) {
  const file = input.files[0];
  input.value = "";
  if (!file) return;
  if (!(await confirmBox("Load List", `The numbers in "${file.name}" replace the number list.`))) return;
  shown(await api("/api/outbound/load", { file: file.name, text: await file.text() }));
}

async function saveAs(savedName) {
  const named = await ask({
    caption: "Save List",
    input: { label: "File name (Number Lists, *.txt)", value: savedName() || DEFAULT_NAME },
  });
  if (!named || !named.value.trim()) return;
  const file = /\.txt$/i.test(named.value.trim()) ? named.value.trim() : `${named.value.trim()}.txt`;
  const saved = await api("/api/outbound/save", { file });
  const link = el("a", { href: URL.createObjectURL(new Blob([saved.text], { type: "text/plain" })), download: saved.file });
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}

async function clear(shown) {
  if (!(await confirmBox("Clear", "Remove every number from the list?"))) return;
  shown(await api("/api/outbound/load", { text: "" }));
}

// The three buttons; `shown(answer)` shows the list the engine answers with,
// `savedName()` gives the remembered file name.
export function listFileButtons(shown, savedName) {
  const input = el("input", { type: "file", accept: ".txt,text/plain", id: "ob-load-file", hidden: true });
  input.addEventListener("change", guarded(() => loadFrom(input, shown)));
  const load = el("button", { type: "button", id: "ob-load", textContent: "Load List" });
  load.addEventListener("click", () => input.click());
  const save = el("button", { type: "button", id: "ob-save-list", textContent: "Save List" });
  save.addEventListener("click", guarded(() => saveAs(savedName)));
  const empty = el("button", { type: "button", id: "ob-clear", textContent: "Clear" });
  empty.addEventListener("click", guarded(() => clear(shown)));
  return [load, save, empty, input];
}
