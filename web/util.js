// Shared pieces of the workspace: the service calls, the signed-in session, the
// alert and notice areas, and a small element builder.

const SESSION_KEY = 'humrs.session';

export const session = JSON.parse(sessionStorage.getItem(SESSION_KEY) || 'null') || { name: null, roles: [], csrf: null };

export function setSession(s) {
  Object.assign(session, s);
  sessionStorage.setItem(SESSION_KEY, JSON.stringify(session));
  classesCache = null;
}

export function clearSession() {
  session.name = null;
  session.roles = [];
  session.csrf = null;
  sessionStorage.removeItem(SESSION_KEY);
  classesCache = null;
}

// Builds an element: h('a', {href: '#/', class: 'x', onclick: fn}, 'text', child...).
export function h(tag, attrs, ...children) {
  const el = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs || {})) {
    if (v === undefined || v === null || v === false) continue;
    if (k.startsWith('on')) el.addEventListener(k.slice(2), v);
    else if (k === 'class') el.className = v;
    else if (k === 'value' || k === 'checked' || k === 'readOnly' || k === 'disabled') el[k] = v;
    else el.setAttribute(k, v === true ? '' : v);
  }
  for (const c of children.flat(Infinity)) {
    if (c === undefined || c === null || c === false) continue;
    el.append(c instanceof Node ? c : String(c));
  }
  return el;
}

// One call of the service. Answers the JSON with `status` added; a failure to reach
// the service or to read its answer comes back as a refusal with a plain message.
export async function api(method, path, body) {
  const headers = {};
  if (method !== 'GET') {
    headers['Content-Type'] = 'application/json';
    if (session.csrf) headers['X-CSRF-Token'] = session.csrf;
  }
  let res;
  try {
    res = await fetch(path, { method, headers, credentials: 'same-origin',
                              body: body === undefined ? undefined : JSON.stringify(body) });
  } catch (e) {
    return { ok: false, status: 0, error: '无法连接服务：' + e.message, notices: [] };
  }
  let data;
  try {
    data = await res.json();
  } catch {
    data = { ok: false, error: `服务的答复无法读取（HTTP ${res.status}）`, notices: [] };
  }
  data.status = res.status;
  if (res.status === 401 && path !== '/v1/login') {
    clearSession();
    if (location.hash !== '#/login') location.hash = '#/login';
  }
  if (data.notices && data.notices.length) showNotices(data.notices);
  return data;
}

export const get = (path, query) => api('GET', query ? path + '?' + new URLSearchParams(query) : path);
export const post = (path, body) => api('POST', path, body);

export function showAlert(text) {
  document.getElementById('alert').textContent = text || '';
}

export function showNotices(list) {
  const box = document.getElementById('notices');
  box.replaceChildren(...list.map((n) => h('p', null, typeof n === 'string' ? n : JSON.stringify(n))));
}

export function clearMessages() {
  showAlert('');
  document.getElementById('notices').replaceChildren();
}

let classesCache = null;

// The classes the caller may read, fetched once per sign-in.
export async function classes() {
  if (classesCache) return classesCache;
  const data = await get('/v1/classes');
  if (!data.ok) throw new Refusal(data);
  classesCache = data.classes;
  return classesCache;
}

// The descriptor of a class the caller may read. For any other class `probe` asks the
// service the view's own question, so that the view shows the service's own refusal.
export async function classOf(progId, probe) {
  const all = await classes();
  const cls = all.find((c) => c.progId.toLowerCase() === progId.toLowerCase());
  if (cls) return cls;
  const answer = probe ? await probe() : { ok: true };
  throw new Refusal(answer.ok ? { error: `没有这类单据，或您的角色不能查看：${progId}` } : answer);
}

// The label a field has on any class's form, for tables that show result sets.
export async function labelOf(name) {
  const all = await classes().catch(() => []);
  for (const c of all)
    for (const d of c.datasets)
      for (const f of d.fields) if (f.name.toLowerCase() === name.toLowerCase()) return f.label;
  return name;
}

// A refused answer carried to the view, which shows its text in the alert.
export class Refusal extends Error {
  constructor(data) {
    super(data.error || '请求被拒绝');
    this.data = data;
  }
}

export function must(data) {
  if (!data.ok) throw new Refusal(data);
  return data;
}

// Display forms of stored values: dates yyyymmdd, times hhmm.
export function showDate(d) {
  const s = String(d ?? '');
  return /^\d{8}$/.test(s) ? `${s.slice(0, 4)}-${s.slice(4, 6)}-${s.slice(6)}` : s;
}

export function showTime(t) {
  if (t === null || t === undefined || t < 0) return '';
  const s = String(t).padStart(4, '0');
  return `${s.slice(0, 2)}:${s.slice(2)}`;
}

export function showValue(v) {
  if (v === null || v === undefined) return '';
  if (typeof v === 'boolean') return v ? '是' : '否';
  if (typeof v === 'object') return JSON.stringify(v);
  return String(v);
}

// Fills a <datalist> with the reference data of `kind` matching `q`.
export async function fillPicks(list, kind, q) {
  const data = await get('/v1/pick', { kind, q, limit: 20 });
  if (!data.ok) return;
  list.replaceChildren(...data.items.map((it) =>
    h('option', { value: it.code, label: [it.name, it.detail].filter(Boolean).join(' · ') })));
}

let pickSerial = 0;

// Gives an input type-ahead from /v1/pick through its own datalist, placed beside
// the input once it is in the page.
export function attachPicker(input, kind) {
  const list = h('datalist', { id: `pick-${++pickSerial}` });
  input.setAttribute('list', list.id);
  let timer = null;
  const refresh = () => {
    if (!list.isConnected) input.after(list);
    clearTimeout(timer);
    timer = setTimeout(() => fillPicks(list, kind, input.value), 200);
  };
  input.addEventListener('input', refresh);
  input.addEventListener('focus', refresh, { once: true });
}

export function monthNow() {
  const d = new Date();
  return String(d.getFullYear() * 100 + d.getMonth() + 1);
}

export function addMonths(yyyymm, n) {
  const y = Math.floor(Number(yyyymm) / 100);
  const m = Number(yyyymm) % 100 - 1 + n;
  const yy = y + Math.floor(m / 12);
  return String(yy * 100 + (((m % 12) + 12) % 12) + 1);
}

// A view renders into a fresh container; a container that a later navigation
// replaced is detached, so a late answer lands nowhere.
export function newView() {
  const el = h('div', { class: 'view' });
  document.getElementById('view').replaceChildren(el);
  return el;
}

// skip: a location set by a view that shows it already; flash: notices for the next
// view; leave: what the view shown does when another takes its place.
export const nav = { skip: null, flash: null, leave: null };

// Changes the location without rendering again (the view shows it already).
export function setLocation(hash) {
  if (location.hash === hash) return;
  nav.skip = hash;
  location.hash = hash;
}

export function billLink(progId, key) {
  return `#/bill/${encodeURIComponent(progId)}/${encodeURIComponent(key)}`;
}

// A button that opens another view.
export function goButton(label, hash) {
  return h('button', { type: 'button', onclick: () => { location.hash = hash; } }, label);
}
