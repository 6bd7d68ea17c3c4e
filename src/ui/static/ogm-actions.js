// What a key does: the action chooser of one key prefix and the fields of
// each action, only the chosen action's shown. Transfer, dial and record
// carry a further action of their own (one level).
import { el, field } from "./form-fields.js";

export const OGM_LIST = "ogm-editor-ogms";
export const MAILBOX_LIST = "ogm-editor-mailboxes";
export const SOUND_LIST = "ogm-editor-sounds";

const CHAINS = { transfer: "transferfail", dial: "afterdial", record: "recstop" };
const CHAIN_CAPTIONS = {
  transferfail: "When the transfer is refused or not answered",
  afterdial: "When dialing is complete",
  recstop: "When the recording stops",
};
const TRANSFER_MODES = [
  [0, "Blind"],
  [1, "Confirmed (the called party accepts with a key)"],
  [2, "Confirmed with answer detection"],
];

// The fields of each action word under key prefix `p`.
function paramFields(p) {
  const f = (suffix) => `ivr.${p}${suffix}`;
  return {
    go: [field({ key: f("go"), kind: "text", label: "OGM to go to", attrs: { list: OGM_LIST } })],
    mailbox: [
      field({ key: f("mbx"), kind: "text", label: "Mailbox", attrs: { list: MAILBOX_LIST } }),
      field({ key: f("mbxmessage"), kind: "check", label: "Play the mailbox greeting before the record tone" }),
    ],
    play: [field({ key: f("playfile"), kind: "text", label: "WAVE or MP3 file to play", attrs: { list: SOUND_LIST } })],
    record: [
      field({ key: f("recfile"), kind: "text", label: "File to record into" }),
      field({ key: f("maxtime"), kind: "seconds", label: "Maximum recording time", min: 0.001 }),
      field({ key: f("silencedetect"), kind: "seconds", label: "Silence that ends the recording", min: 0 }),
      field({ key: f("recalc"), kind: "check", label: "Level the recording afterwards" }),
      field({ key: f("reccat"), kind: "check", label: "Append to the existing file" }),
    ],
    seek: [field({ key: f("seektime"), kind: "seconds", label: "Move the play position by", hint: "seconds; negative rewinds" })],
    transfer: [
      field({ key: f("transfer"), kind: "text", label: "Number",
        hint: 'digits, "!" flash, "," pause; or a SIP address such as desk@192.168.1.20' }),
      field({ key: f("transfermode"), kind: "select", label: "Transfer mode", options: TRANSFER_MODES }),
    ],
    dial: [field({ key: f("dial"), kind: "text", label: "Digits to dial", hint: '"," pauses' })],
  };
}

// The chooser and fields for prefix `p`; `chained` offers only the words
// that may follow another action (and "No Response").
function block(p, caption, actions, chained, depth) {
  const options = actions
    .filter((a) => !chained || a.chained || a.word === "noresponse")
    .map((a) => [a.word, a.label]);
  const chooser = field({ key: `ivr.${p}`, kind: "select", label: caption, options });
  const box = el("div", { className: depth ? "action chained" : "action" }, chooser);
  const select = chooser.querySelector("select");
  const fields = paramFields(p);
  const panels = {};
  for (const [word, parts] of Object.entries(fields)) {
    const panel = el("div", { className: "action-params" }, ...parts);
    panel.dataset.word = word;
    const chain = CHAINS[word];
    if (chain && depth === 0) panel.append(block(p + chain, CHAIN_CAPTIONS[chain], actions, true, 1));
    panels[word] = panel;
    box.append(panel);
  }
  const show = () => {
    for (const [word, panel] of Object.entries(panels)) panel.hidden = word !== select.value;
  };
  select.addEventListener("change", show);
  box.refresh = show;
  return box;
}

// One block per key prefix ("press1", ..., "playcomplete").
export function actionBlocks(prefixes, actions) {
  return prefixes.map((p) => {
    const caption = p === "playcomplete" ? "When the wait ends without a key" : `Key ${p.slice(5)}`;
    return block(p, caption, actions, p === "playcomplete", 0);
  });
}

// Shows the chosen action's fields of every block (after values are set).
export function refreshBlocks(root) {
  for (const box of root.querySelectorAll(".action")) box.refresh();
}

// Whether a control belongs to an action not chosen (its values stay as
// they are in the file).
export function unused(control) {
  for (let node = control.parentElement; node; node = node.parentElement)
    if (node.classList?.contains("action-params") && node.hidden) return true;
  return false;
}
