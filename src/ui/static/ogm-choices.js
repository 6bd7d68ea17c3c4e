// The OGM choosers follow the OGM list: they are filled again whenever it may
// have changed ("ogms-changed": a create, rename or delete, or a program
// loaded or made new; "ogm-saved": an OGM saved by the editor).
import { api } from "./api.js";
import { setValue } from "./form-fields.js";
import { guarded } from "./notices.js";

// Fills each select with the OGM names; its value stays, offered even when
// that OGM is gone, so that saving keeps what the file held.
export async function offerOgms(selects) {
  const { ogms } = await api("/api/ogms");
  for (const select of selects) {
    const value = select.value;
    select.replaceChildren(...ogms.map((name) => new Option(name, name)));
    if (value) setValue(select, value);
  }
}

export function followOgms(selects) {
  for (const event of ["ogms-changed", "ogm-saved"]) document.addEventListener(event, guarded(() => offerOgms(selects)));
}
