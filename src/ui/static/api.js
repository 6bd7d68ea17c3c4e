// Talks to the engine: JSON requests with the session's token on every
// change, and errors as exceptions carrying the server's own text.
let token = "";

// What a request that reached no engine says (the browser's own words name
// no cause), and the banner while the event stream is lost.
export const NOT_ANSWERING = "The engine is not answering: the page shows what it last knew";

export class ApiError extends Error {
  // `field`: the form field a refusal belongs beside, when the server names one.
  constructor(status, text, field = "") {
    super(text);
    this.status = status;
    this.field = field;
  }
}

export function setToken(value) {
  token = value;
}

async function errorOf(response) {
  let text = `${response.status} ${response.statusText}`;
  let field = "";
  try {
    const body = await response.json();
    if (body && typeof body.error === "string") text = body.error;
    if (body && typeof body.field === "string") field = body.field;
  } catch {
    // not JSON: the status line says enough
  }
  if (response.status === 429 && response.headers.get("Retry-After"))
    text += ` (wait ${response.headers.get("Retry-After")} s)`;
  return new ApiError(response.status, text, field);
}

// GET PATH, or POST PATH with BODY (an object as JSON, or a Blob as bytes).
export async function api(path, body) {
  return (await request(path, body)).json();
}

// As api, for an answer that is no JSON (audio): the response's bytes.
export async function apiBlob(path, body) {
  return (await request(path, body)).blob();
}

async function request(path, body) {
  const options = { credentials: "same-origin", headers: {} };
  if (body !== undefined) {
    options.method = "POST";
    options.headers["X-Console-Token"] = token;
    if (body instanceof Blob) {
      options.headers["Content-Type"] = "application/octet-stream";
      options.body = body;
    } else {
      options.headers["Content-Type"] = "application/json";
      options.body = JSON.stringify(body);
    }
  }
  let response = await send(path, options);
  if (response.status === 403 && body !== undefined && (await renewSession(response.clone()))) {
    options.headers["X-Console-Token"] = token;
    response = await send(path, options);
  }
  if (!response.ok) throw await errorOf(response);
  return response;
}

async function send(path, options) {
  try {
    return await fetch(path, options);
  } catch {
    throw new ApiError(0, NOT_ANSWERING);
  }
}

// A session the engine no longer knows (it restarted, or another console on
// this machine took the cookie) is replaced, as a page load would, and the
// change is sent again; where a login is needed the page shows it.
// Changes refused together share one new session, so its cookie and its
// token stay a pair.
let renewing = null;

async function renewSession(refused) {
  const answer = await refused.json().catch(() => null);
  if (answer?.error !== "missing or wrong session token") return false;
  renewing ??= openSession().finally(() => (renewing = null));
  return renewing;
}

export async function openSession() {
  const session = await send("/api/session", { credentials: "same-origin" });
  if (session.status === 401) location.reload();
  if (!session.ok) return false;
  token = (await session.json()).token;
  return true;
}

export function query(path, params) {
  return `${path}?${new URLSearchParams(params)}`;
}
