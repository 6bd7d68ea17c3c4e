// The console's views, one per address fragment (#messages, #ogms, ...). A
// view's module fills its <main id="view-NAME"> when it is first shown and
// hears "view-shown" (detail: the name) every time it is shown again.
const DEFAULT_VIEW = "messages";

// A fragment naming a place inside a view (a Help topic) shows that view.
function current() {
  const name = location.hash.slice(1);
  if (document.getElementById(`view-${name}`)) return name;
  const holder = name ? document.getElementById(name)?.closest("main.view") : null;
  return holder ? holder.id.slice("view-".length) : DEFAULT_VIEW;
}

function show() {
  const name = current();
  for (const view of document.querySelectorAll("main.view")) view.hidden = view.id !== `view-${name}`;
  for (const link of document.querySelectorAll("nav.views a")) {
    if (link.dataset.view === name) link.setAttribute("aria-current", "page");
    else link.removeAttribute("aria-current");
  }
  document.dispatchEvent(new CustomEvent("view-shown", { detail: name }));
}

// Called once the session is open: the views follow the address from then on.
export function startViews() {
  window.addEventListener("hashchange", show);
  show();
}
