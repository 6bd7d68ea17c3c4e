// The settings' Console access page: where the console answers now, who may
// open it, its first port and its password (typed twice, never shown; a set
// one is changed or removed only with the current one). A new address or
// port moves the console: the page then says where to.
import { api } from "./api.js";
import { el } from "./form-fields.js";
import { buildSaved } from "./settings-pages.js";

const NETWORK_HINT = "any machine: only with the password, over HTTPS with the console's own certificate";
const FIELDS = [
  { key: "address", label: "Who may open the console", kind: "select", hint: NETWORK_HINT,
    options: [["127.0.0.1", "Only this machine"], ["0.0.0.0", "Any machine on the network"]] },
  { key: "port", label: "First port", kind: "number", min: 1, max: 65535,
    hint: "the console moves there when saved; at engine start a taken port passes to the next free one" },
  { key: "current", label: "Current password", kind: "password", hint: "needed to change or remove the password" },
  { key: "password", label: "New password", kind: "password",
    hint: "at least 8 characters; leave empty to keep the password as it is" },
  { key: "again", label: "New password again", kind: "password" },
  { key: "remove", label: "Remove the password", kind: "check",
    hint: "only while only this machine may open the console" },
];

const isLoopback = (address) => /^127\.|^::1$|^localhost$/.test(address);

// The console's address now, the password's state, and after a move the
// link to where it went.
function wire(form) {
  const now = el("p", { id: "access-now" });
  const moved = el("p", { id: "access-moved", className: "moved" });
  moved.setAttribute("role", "status");
  moved.hidden = true;
  form.element.before(now, moved);
  form.controls.current.autocomplete = "current-password";
  const { address, remove } = form.controls;
  const follow = () => {
    remove.disabled = !isLoopback(address.value);
  };
  address.addEventListener("change", follow);
  return (values) => {
    now.textContent = `The console answers at ${values.answersAt} (${values.https ? "HTTPS" : "plain HTTP"}). ` +
      (values.passwordSet ? "A password is set."
        : values.passwordUnusable ? "The password in settings.ini was not set by zavotel, so no login matches it: " +
          "enter a new one."
        : "No password is set.");
    for (const key of ["current", "remove"]) form.controls[key].closest(".form-field").hidden = !values.passwordSet;
    follow();
    moved.hidden = !values.movedTo;
    if (!values.movedTo) return;
    document.dispatchEvent(new CustomEvent("console-moved"));
    const link = el("a", { href: values.movedTo }, values.movedTo);
    const asks = values.asksAboutCertificate ? " (the browser asks once about its certificate)" : "";
    moved.replaceChildren("The console now answers at ", link, `${asks}.`);
  };
}

export async function build(panel) {
  await buildSaved(panel, "Console access", FIELDS, {
    load: async () => (await api("/api/settings/console")).values,
    save: async (values) => (await api("/api/settings/console", values)).values,
    wire,
  });
}
