// The settings view: one tab per page. Line changes take effect when the
// settings are closed (the Close button, or leaving the view), when the
// engine rebuilds the lines if any changed.
import * as access from "./settings-access.js";
import { api } from "./api.js";
import { guarded, showError } from "./notices.js";
import * as lines from "./settings-lines.js";
import * as pages from "./settings-pages.js";
import * as prompts from "./settings-prompts.js";
import * as sounds from "./settings-sounds.js";
import * as sip from "./settings-sip.js";
import { followChosen } from "./tab-strip.js";

const TABS = [
  ["devices", "Devices", (panel) => lines.build(panel)],
  ["sip", "SIP devices", (panel) => sip.build(panel)],
  ["prompts", "System Prompts", (panel) => prompts.build(panel)],
  ["sounds", "Sounds", (panel) => sounds.build(panel)],
  ["transfer", "Transfer and messages", (panel) => pages.buildTransfer(panel)],
  ["hours", "Office hours", (panel) => pages.buildHours(panel)],
  ["general", "General", (panel) => pages.buildGeneral(panel)],
  ["access", "Console access", (panel) => access.build(panel)],
];

const view = document.getElementById("view-settings");
const built = new Set();
const refreshers = { devices: lines.refresh, sip: sip.refresh, prompts: prompts.refresh, sounds: sounds.refresh };
let open = false;
let tabs = [];
let showChosenTab = () => {};

async function select(name, focus) {
  for (const tab of tabs) {
    const chosen = tab.dataset.tab === name;
    tab.setAttribute("aria-selected", String(chosen));
    tab.tabIndex = chosen ? 0 : -1;
    document.getElementById(`settings-panel-${tab.dataset.tab}`).hidden = !chosen;
    if (!chosen) continue;
    if (focus) tab.focus();
  }
  showChosenTab();
  const panel = document.getElementById(`settings-panel-${name}`);
  if (!built.has(name)) {
    built.add(name);
    await TABS.find(([key]) => key === name)[2](panel);
  } else if (refreshers[name]) {
    await refreshers[name]();
  }
}

// Arrow keys, Home and End move between the tabs.
function onKey(event) {
  const at = tabs.indexOf(event.target);
  const to = { ArrowRight: at + 1, ArrowLeft: at - 1, Home: 0, End: tabs.length - 1 }[event.key];
  if (at < 0 || to === undefined) return;
  event.preventDefault();
  guarded(select)(tabs[(to + tabs.length) % tabs.length].dataset.tab, true);
}

function build() {
  view.innerHTML = `<div class="settings-head"><h2 id="settings-heading">Settings</h2>
    <p id="settings-restart" class="hint" hidden>Line changes are applied when the settings are closed, once no call is in progress.</p>
    <button id="settings-close" type="button">Close settings</button></div>
    <div class="tabs" role="tablist" aria-labelledby="settings-heading"></div>`;
  const list = view.querySelector(".tabs");
  for (const [name, caption] of TABS) {
    const tab = document.createElement("button");
    tab.type = "button";
    tab.id = `settings-tab-${name}`;
    tab.setAttribute("role", "tab");
    tab.setAttribute("aria-controls", `settings-panel-${name}`);
    tab.dataset.tab = name;
    tab.textContent = caption;
    tab.addEventListener("click", guarded(() => select(name, false)));
    list.append(tab);
    const panel = document.createElement("section");
    panel.id = `settings-panel-${name}`;
    panel.className = "settings-panel";
    panel.setAttribute("role", "tabpanel");
    panel.setAttribute("aria-labelledby", tab.id);
    panel.hidden = true;
    view.append(panel);
  }
  tabs = [...list.children];
  showChosenTab = followChosen(list);
  list.addEventListener("keydown", onKey);
  view.querySelector("#settings-close").addEventListener("click", guarded(async () => {
    await close();
    dropChanges = true;
    location.hash = "#messages";
  }));
  document.addEventListener("settings-restart", (event) => {
    view.querySelector("#settings-restart").hidden = !event.detail;
  });
}

async function close() {
  if (!open) return;
  open = false;
  const answer = await api("/api/settings/close", {});
  document.getElementById("settings-restart").hidden = true;
  return answer;
}

// Close settings drops what was typed and not saved; going to another view
// keeps it for the owner's return.
let dropChanges = false;

document.addEventListener("view-shown", (event) => {
  if (event.detail !== "settings") return void close().catch(showError);
  open = true;
  if (tabs.length) guarded(pages.refillPages)({ keepChanges: !dropChanges });
  else build();
  dropChanges = false;
  const chosen = tabs.find((tab) => tab.getAttribute("aria-selected") === "true");
  guarded(select)(chosen ? chosen.dataset.tab : "devices", false);
});
