// The greeting of the mailbox shown in the properties dialog, in the audio
// widget. Without a greeting of its own the mailbox greets callers with the
// system prompt "LeaveMessage", which Play then plays.
import { api, query } from "./api.js";
import { audioWidget } from "./audio-widget.js";
import { group } from "./form-fields.js";

let mailbox = "";

async function show() {
  const { greeting } = await api(query("/api/mailbox/greeting/state", { name: mailbox }));
  const status = greeting ? `${mailbox} OGM.wav` : "No greeting recorded: callers hear the LeaveMessage prompt.";
  widget.show(mailbox, status, { canRestore: greeting });
}

const widget = audioWidget({
  id: "mbx-greeting",
  path: "/api/mailbox/greeting",
  restore: {
    path: "/api/mailbox/greeting/restore",
    label: "Restore default",
    caption: "Restore default",
    question: "Delete this mailbox's greeting, so that callers hear the LeaveMessage prompt again?",
  },
  onChange: show,
});

export function greetingElement() {
  return group("Greeting", [widget.element]);
}

export async function showGreeting(name) {
  mailbox = name;
  await show();
}
