// On a phone a tab strip scrolls sideways: its chosen tab is kept in sight
// when chosen and whenever the strip is shown or resized (a view or dialog
// opening, a phone turned), the strip alone scrolling, not the page.
function showChosen(strip) {
  const tab = strip.querySelector('[aria-selected="true"]');
  if (!tab || strip.scrollWidth <= strip.clientWidth) return;
  const box = strip.getBoundingClientRect();
  const at = tab.getBoundingClientRect();
  strip.scrollLeft += at.left - box.left - (box.width - at.width) / 2; // the neighbours in sight too
}

// Call once the strip is built; it answers what to call after a choice.
export function followChosen(strip) {
  new ResizeObserver(() => showChosen(strip)).observe(strip);
  return () => showChosen(strip);
}
