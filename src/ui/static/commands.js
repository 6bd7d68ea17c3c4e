// The mailbox and message commands, with the main window's own questions.
import { api, query } from "./api.js";
import { ask, confirmBox } from "./dialogs.js";
import * as messages from "./messages.js";
import { sortedNames } from "./form-fields.js";
import { showDone } from "./notices.js";

const mailboxList = document.getElementById("mailbox-list");
const mailboxName = document.getElementById("mailbox-name");
let proposal = "Mailbox 2";

export function mailboxNames() {
  return [...mailboxList.options].map((option) => option.value);
}

// Re-reads the mailbox list and shows the selected mailbox's messages.
export async function loadMailboxes(prefer) {
  const answer = await api("/api/mailboxes");
  if (answer.proposal) proposal = answer.proposal;
  const keep = prefer || mailboxList.value || answer.selected;
  mailboxList.replaceChildren(...sortedNames(answer.mailboxes).map((name) => new Option(name, name)));
  showUnread(answer.unread);
  const chosen = answer.mailboxes.includes(keep) ? keep : answer.mailboxes.includes(answer.selected) ? answer.selected : answer.mailboxes[0];
  if (chosen === undefined) return;
  mailboxList.value = chosen;
  await showMailbox(chosen);
}

// Each mailbox with unread messages says how many, so a new message in a
// mailbox not shown is seen too; the title holds a name too long for the list.
function showUnread(unread) {
  for (const option of mailboxList.options) {
    const count = unread[option.value] || 0;
    option.textContent = count ? `${option.value} (${count} new)` : option.value;
    option.title = option.textContent;
  }
}

export async function refreshUnread() {
  showUnread((await api("/api/mailboxes")).unread);
}

// The mailbox shown (or being loaded) now.
let shown = "";

export function shownMailbox() {
  return shown;
}

async function showMailbox(name) {
  if (name !== shown) messages.forgetPlayer();
  shown = name;
  mailboxName.textContent = `in ${name}`;
  await messages.load(name);
}

export async function selectMailbox() {
  const name = mailboxList.value;
  if (!name || name === shown) return;
  await api("/api/mailboxes/select", { name });
  await showMailbox(name);
}

export async function newMailbox() {
  const answer = await ask({ caption: "New Mailbox", input: { label: "Enter New Mailbox Name", value: proposal } });
  if (!answer) return;
  const made = await api("/api/mailboxes/new", { name: answer.value.trim() });
  await loadMailboxes(made.name);
}

export async function renameMailbox() {
  const from = mailboxList.value;
  if (!from) return;
  const warned = await ask({
    caption: "Rename Mailbox",
    text: "If you rename the Voice Mailbox, you will also need to change any references to the Mailbox from any Out Going Message (OGM Properties).",
  });
  if (!warned) return;
  const answer = await ask({ caption: "Rename Mailbox", input: { label: "Enter Mailbox Name", value: from } });
  if (!answer || answer.value.trim() === from) return;
  const renamed = await api("/api/mailboxes/rename", { from, to: answer.value.trim() });
  await loadMailboxes(renamed.name);
}

export async function deleteMailbox() {
  const name = mailboxList.value;
  if (!name) return;
  const sure = await confirmBox("Confirm Delete Mailbox", "Are you sure you wish to permanently delete this Mailbox and any Messages?");
  if (!sure) return;
  await api("/api/mailboxes/delete", { name });
  await loadMailboxes();
}

function selectedOrTell() {
  const ids = messages.selectedIds();
  if (!ids.length) throw new Error("Select one or more messages first.");
  return ids;
}

export async function emailMessages() {
  const ids = selectedOrTell();
  const defaults = await api("/api/email");
  const answer = await ask({ caption: "E-mail", input: { label: "Send to", value: defaults.to || "", type: "email" } });
  if (!answer) return;
  const mailbox = messages.currentMailbox();
  const to = answer.value.trim();
  const { sent } = await api("/api/messages/email", { mailbox, ids, to });
  showDone("email", `${sent === 1 ? "1 message" : `${sent} messages`} e-mailed to ${to}.`);
}

// "Save as": the browser's own download of each selected message.
export function saveMessages() {
  const mailbox = messages.currentMailbox();
  for (const id of selectedOrTell()) {
    const link = document.createElement("a");
    link.href = query("/api/messages/download", { mailbox, id });
    link.download = `${messages.rowOf(id)?.file || id}.wav`;
    document.body.append(link);
    link.click();
    link.remove();
  }
}

export async function deleteMessages() {
  const ids = selectedOrTell();
  const mailbox = messages.currentMailbox();
  if (ids.includes(messages.playingId())) messages.forgetPlayer();
  await api("/api/messages/delete", { mailbox, ids });
  messages.removeRows(ids);
}

export async function moveMessages() {
  const ids = selectedOrTell();
  const mailbox = messages.currentMailbox();
  const targets = mailboxNames().filter((name) => name !== mailbox);
  if (!targets.length) throw new Error("There is no other mailbox to move to.");
  const answer = await ask({ caption: "Move to Mailbox", choices: { label: "Move the selected messages to", options: targets } });
  if (!answer) return;
  if (ids.includes(messages.playingId())) messages.forgetPlayer();
  await api("/api/messages/move", { mailbox, ids, to: answer.value });
  messages.removeRows(ids);
}
