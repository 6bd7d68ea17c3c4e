// The SIP devices: direct endpoints and registering accounts, each with its
// registration state as the engine reports it, live.
import { api } from "./api.js";
import { confirmBox } from "./dialogs.js";
import { guarded } from "./notices.js";
import { openDialog } from "./settings-dialog.js";

const FIELDS = [
  { key: "name", label: "Name", kind: "text" },
  { key: "mode", label: "Kind", kind: "select",
    options: [["direct", "Direct endpoint (takes calls, no registration)"], ["register", "Account that registers"]] },
  { key: "localaddress", label: "Local address (ip:port)", kind: "text" },
  { key: "user", label: "User", kind: "text" },
  { key: "authuser", label: "Authentication user (if not the user)", kind: "text" },
  { key: "password", label: "Password", kind: "password" },
  { key: "registrar", label: "Registrar (host[:port])", kind: "text" },
  { key: "domain", label: "Domain: where plain numbers are called (if not the registrar)", kind: "text",
    hint: "host[:port]; a direct endpoint needs it to transfer or call out by number" },
  { key: "outboundproxy", label: "Outbound proxy", kind: "text" },
  { key: "anyhost", label: "Take calls from any host", kind: "check",
    hint: "Off: calls come only from the registrar and the outbound proxy; others are refused" },
  { key: "transport", label: "Transport", kind: "select", options: [["udp", "UDP"], ["tcp", "TCP"], ["tls", "TLS"]] },
  { key: "expiry", label: "Registration expiry (seconds)", kind: "number", min: 60, max: 86400 },
  { key: "dtmfmode", label: "Send keys as", kind: "select",
    options: [["rfc4733", "RTP events"], ["info", "SIP INFO"], ["inband", "Tones in the audio"]] },
  { key: "rtplatch", label: "Media from another address may take over", kind: "select",
    options: [["signalling", "From the caller's host"], ["any", "From any host"], ["off", "Never"]] },
];
const ACCOUNT_ONLY = ["user", "authuser", "password", "registrar", "outboundproxy", "anyhost", "expiry"];
// A new direct endpoint stays on this machine; an account must reach its provider.
const NEW_ADDRESS = { direct: "127.0.0.1:5062", register: "0.0.0.0:5062" };

const UNUSED = "No line uses this device: add one on the Devices tab.";

let table = null;
let devices = [];

// `used`: the positions of the devices some line uses.
function show(answer, used) {
  devices = answer.devices;
  table.replaceChildren(...devices.map((device) => {
    const row = document.createElement("tr");
    const cells = [device.name, device.mode === "register" ? `${device.user}@${device.registrar || device.domain}`
      : device.localaddress || "0.0.0.0:5060", device.state || "not opened yet"];
    for (const text of cells) row.append(Object.assign(document.createElement("td"), { textContent: text }));
    row.lastChild.className = "sip-state";
    if (!used.has(device.position))
      row.firstChild.append(Object.assign(document.createElement("span"), { className: "hint unused", textContent: UNUSED }));
    const actions = document.createElement("td");
    for (const [text, action] of [["Edit", edit], ["Remove", remove]]) {
      const button = Object.assign(document.createElement("button"), { type: "button", textContent: `${text}` });
      button.setAttribute("aria-label", `${text} ${device.name}`);
      button.addEventListener("click", guarded(() => action(device)));
      actions.append(button, " ");
    }
    row.append(actions);
    return row;
  }));
  document.getElementById("sip-empty").hidden = devices.length > 0;
}

export async function refresh() {
  const [answer, { lines }] = await Promise.all([api("/api/settings/sip"), api("/api/settings/lines")]);
  show(answer, new Set(lines.map((line) => line.device)));
}

// The account keys are shown only for an account that registers.
function follow(form) {
  const apply = () => {
    for (const key of ACCOUNT_ONLY) form.controls[key].closest(".form-field").hidden = form.controls.mode.value !== "register";
  };
  const address = form.controls.localaddress;
  form.controls.mode.addEventListener("change", () => {
    if (Object.values(NEW_ADDRESS).includes(address.value)) address.value = NEW_ADDRESS[form.controls.mode.value];
    apply();
  });
  apply();
}

async function edit(device) {
  const values = device ? { ...device, password: "" } : { name: "", mode: "direct", transport: "udp", expiry: 3600,
    dtmfmode: "rfc4733", rtplatch: "signalling", anyhost: false, localaddress: NEW_ADDRESS.direct };
  const answer = await openDialog({
    caption: device ? `SIP device ${device.name}` : "Add a SIP device",
    note: device?.passwordSet ? "A password is set; leave the field empty to keep it." : "",
    fields: FIELDS,
    values,
    extend: follow,
    save: (changed) => api("/api/settings/sip/save", { ...changed, section: device ? device.section : null }),
  });
  if (answer) {
    await refresh();
    document.dispatchEvent(new CustomEvent("settings-restart", { detail: true }));
  }
}

async function remove(device) {
  if (!(await confirmBox("Confirm Remove", `Remove the SIP device "${device.name}"?`))) return;
  await api("/api/settings/sip/remove", { section: device.section });
  await refresh();
  document.dispatchEvent(new CustomEvent("settings-restart", { detail: true }));
}

export async function build(panel) {
  panel.innerHTML = `<h3 id="sip-heading">SIP devices</h3>
    <p class="hint">Devices open when you close Settings.</p>
    <div class="table-wrap"><table class="sip-table" aria-labelledby="sip-heading">
    <thead><tr><th scope="col">Name</th><th scope="col">Address</th><th scope="col">State</th>
    <th scope="col"><span class="sr-only">Commands</span></th></tr></thead><tbody id="sip-rows"></tbody></table></div>
    <p id="sip-empty" class="empty" hidden>No SIP devices yet.</p>
    <div class="buttons"><button id="sip-add" type="button">Add SIP device</button></div>`;
  table = panel.querySelector("#sip-rows");
  panel.querySelector("#sip-add").addEventListener("click", guarded(() => edit(null)));
  // The states travel with the engine's status; the rows follow them.
  document.addEventListener("engine-status", (event) => {
    const states = event.detail.devices || [];
    [...table.children].forEach((row, i) => {
      const position = devices[i]?.position;
      if (position !== undefined && position < states.length) row.querySelector(".sip-state").textContent = states[position];
    });
  });
  await refresh();
}
