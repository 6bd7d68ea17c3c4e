// Talks to the engine: JSON requests with the session's token on every
// change, and errors as exceptions carrying the server's own text.
let token = "";

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
  const response = await fetch(path, options);
  if (!response.ok) throw await errorOf(response);
  return response;
}

export function query(path, params) {
  return `${path}?${new URLSearchParams(params)}`;
}
