// The bill form: a header of labelled fields and a grid per body dataset, drawn from
// the class's descriptor. The server decides what it accepts; the form only carries
// what the clerk typed and shows what the server answers.
import { h, api, post, must, showAlert, showNotices, classOf, attachPicker, newView, setLocation,
         billLink, showValue, nav, goButton } from './util.js';

// What a class's field check reads after the field's own value, in order: the
// checks take their values by position. A field not named here is checked alone;
// null: the check needs values the form does not hold, so it waits for the save.
const CHECK_READS = {
  'qvxhumrs.excuse': { personid: ['BeginDate', 'EndDate'] },
  'qvxhumrs.excusedate': { personid: ['BeginDate', 'EndDate'] },
  'qvxhumrs.overtime': { personid: ['OverTimeDate'], overtimeclass: ['PersonID', 'OverTimeDate'] },
  'qvxhumrs.overtimedate': { personid: ['OverTimeDate'], overtimeclass: ['PersonID', 'OverTimeDate'] },
  'qvxhumrs.subsidycut': { personid: null, psalarybank: ['PersonID'] },
  'qvxhumrs.subsidycutdate': { personid: null, psalarybank: ['PersonID'] },
  'qvxhumrs.advpayment': { personid: ['PayDay'], psalarybank: ['PersonID'] },
  'qvxhumrs.monthsalary': { personid: null },
  'qvxhumrs.hoursalary': { condbpersonid: null, condepersonid: null, personid: ['WorkDate'], classid: ['PersonID', 'WorkDate'] },
};

// A bill whose form looks up the leave row a cancellation span covers: the object
// remembers the row it found, and the save marks it.
const SPAN_LOOKUP = {
  'qvxhumrs.cutexcuse': { number: 0, reads: ['PersonID', 'BeginDate', 'BeginTime', 'EndDate', 'EndTime'], then: [1],
                          fills: ['ExcuseClsID', 'ExcuseUnit', 'UnitName', 'ExcuseCount'] },
};

// Overtime rows take their hours from the overtime object's procedure 0 as the span is typed.
const OVERTIME = new Set(['qvxhumrs.overtime', 'qvxhumrs.overtimedate']);
const SPAN_FIELDS = new Set(['overtimeclass', 'begintime', 'endtime', 'overtimedate']);
const HOUR_FIELDS = ['FieldACount', 'FieldBCount', 'FieldCCount', 'HolidayCount', 'TotalCount'];

const INT = /^[+-]?\d+$/;
const NUMBER = /^[+-]?(\d+\.?\d*|\.\d+)$/;

const same = (a, b) => a.toLowerCase() === b.toLowerCase();

export async function billView(progId, key) {
  const view = newView();
  const cls = await classOf(progId, () => (key === null ? post('/v1/new', { progid: progId })
                                                        : post('/v1/open', { progid: progId, key })));
  if (!cls.datasets.length) {
    view.append(h('h1', null, cls.title), h('p', null, '这是查询，没有单据可填写。'));
    return;
  }
  if (!view.isConnected) return;  // left while the classes were asked for
  const form = new BillForm(cls, key);
  nav.leave = () => form.release();
  const data = must(key === null ? await form.call('new') : await form.call('open', { key }));
  if (!view.isConnected) return form.release();
  form.render(data.datasets);
  view.append(form.el);
  form.focusFirst();
}

class BillForm {
  constructor(cls, key) {
    this.cls = cls;
    this.key = key;
    this.current = {};  // the row each grid's row buttons act on, by dataset
    this.saves = 0;     // answers to checks asked before the latest save are not shown
    this.pending = new Set();  // hours being worked out, which a save waits for
    this.el = h('form', { class: 'bill', novalidate: true });
    this.el.addEventListener('submit', (ev) => ev.preventDefault());
    this.el.addEventListener('keydown', (ev) => this.onKey(ev));
    this.el.addEventListener('change', (ev) => this.onChange(ev));
    this.el.addEventListener('input', (ev) => this.onInput(ev));
    this.el.addEventListener('focusin', (ev) => {
      const tr = ev.target.closest('tr[data-row]');
      if (tr) this.current[this.datasetOf(tr)] = tr;
    });
  }

  get progId() { return this.cls.progId; }

  // The form keeps one object on the server from opening to leaving, as a client keeps
  // its business object: what a lookup found stays there for the save. When no object
  // can be had (too many live ones), each call goes to an object of its own.
  async call(op, members = {}) {
    for (let tries = 0; tries < 2 && !this.closed; tries++) {
      if (!this.handle) {
        const made = await post('/v1/objects', { progid: this.progId });
        if (!made.ok) return made.status === 429 || made.status === 503
          ? post(`/v1/${op}`, { progid: this.progId, ...members }) : made;
        this.handle = made.handle;
      }
      const data = await post(`/v1/objects/${this.handle}`, { op, ...members });
      if (data.status !== 404) return data;
      this.handle = null;  // released after a long pause: a new object takes over
    }
    return post(`/v1/${op}`, { progid: this.progId, ...members });
  }

  release() {
    if (this.handle) api('DELETE', `/v1/objects/${this.handle}`);
    this.handle = null;
    this.closed = true;
  }

  render(datasets) {
    const cls = this.cls;
    const title = this.key === null ? `新建${cls.title}` : `${cls.title} ${this.key}`;
    const parts = cls.datasets.map((d) => this.datasetPart(d, datasets[d.index] || []));
    const buttons = h('div', { class: 'actions' },
      cls.canWrite ? h('button', { type: 'button', class: 'primary', onclick: () => this.save() }, '保存') : null,
      cls.canWrite && this.key !== null ? h('button', { type: 'button', onclick: () => this.remove() }, '删除') : null,
      this.key !== null ? goButton('历史', `#/history/${encodeURIComponent(this.progId)}/${encodeURIComponent(this.key)}`) : null,
      goButton('返回列表', `#/list/${encodeURIComponent(this.progId)}`));
    this.el.replaceChildren(h('h1', null, title), ...parts, buttons);
    this.current = {};
  }

  // Fields a clerk sees: the row numbering and a body row's copy of the bill number
  // are the form's own business.
  visible(d) {
    return d.fields.filter((f) => !same(f.name, 'RowNo') && !(d.index > 0 && same(f.name, 'BillNo')));
  }

  oneRow(d) { return d.index === 0 || d.singleRow; }

  datasetPart(d, rows) {
    const fs = h('fieldset', { 'data-dataset': d.index },
      h('legend', null, d.index === 0 ? '单据' : `明细 ${d.index}`));
    if (this.oneRow(d)) {
      const row = rows[0] || {};
      fs._row = row;
      fs.append(h('div', { class: 'fields' }, this.visible(d).map((f) =>
        h('label', null, h('span', null, f.label), this.input(d, f, row, false)))));
      return fs;
    }
    const tbody = h('tbody');
    const table = h('table', { 'data-dataset': d.index, class: 'grid' },
      h('thead', null, h('tr', null, h('th', { class: 'no' }, '#'), this.visible(d).map((f) => h('th', null, f.label)))),
      tbody);
    for (const r of rows) tbody.append(this.gridRow(d, r));
    fs.append(h('div', { class: 'scroll' }, table));
    if (this.cls.canWrite)
      fs.append(h('div', { class: 'rowbuttons' },
        h('button', { type: 'button', onclick: () => this.addRow(d.index, true) }, '添加行'),
        h('button', { type: 'button', onclick: () => this.removeRow(d.index) }, '删除行')));
    return fs;
  }

  gridRow(d, row) {
    const tr = h('tr', { 'data-row': '' }, h('td', { class: 'no' }),
      this.visible(d).map((f) => h('td', null, this.input(d, f, row, true))));
    tr._row = row;
    return tr;
  }

  input(d, f, row, inGrid) {
    const value = valueOf(row, f.name);
    const attrs = { name: f.name, 'aria-label': inGrid ? f.label : null };
    let el;
    if (f.type === 'bool') {
      el = h('input', { ...attrs, type: 'checkbox', checked: value === true || value === 1 });
    } else {
      el = h('input', { ...attrs, type: 'text', value: showValue(value), autocomplete: 'off',
                        inputmode: f.type === 'int' ? 'numeric' : f.type === 'text' ? null : 'decimal',
                        class: f.type === 'text' ? null : 'num' });
    }
    const fixed = f.lookup || !this.cls.canWrite || (d.index === 0 && f.key && this.key !== null);
    if (fixed) {
      el.readOnly = true;
      el.tabIndex = -1;
    } else if (f.picker) {
      attachPicker(el, f.picker);
    }
    el._field = f;
    return el;
  }

  datasetOf(el) { return Number(el.closest('[data-dataset]').dataset.dataset); }

  descriptor(index) { return this.cls.datasets.find((d) => d.index === index); }

  // The row elements of a dataset, in the order they are sent.
  rowsOf(index) {
    const fs = this.el.querySelector(`fieldset[data-dataset="${index}"]`);
    if (!fs) return [];
    return this.oneRow(this.descriptor(index)) ? [fs] : [...fs.querySelectorAll('tbody > tr[data-row]')];
  }

  rowOf(input) { return input.closest('tr[data-row]') || input.closest('fieldset'); }

  // A row's values as the server reads them: what it sent, with what the clerk typed
  // over it; looked-up fields stay out.
  rowValues(rowEl) {
    const d = this.descriptor(this.datasetOf(rowEl));
    const lookups = new Set(d.fields.filter((f) => f.lookup).map((f) => f.name.toLowerCase()));
    const out = {};
    for (const [k, v] of Object.entries(rowEl._row)) if (!lookups.has(k.toLowerCase())) out[k] = v;
    for (const input of rowEl.querySelectorAll('input[name]')) {
      const f = input._field;
      if (!f || f.lookup) continue;
      const name = Object.keys(out).find((k) => same(k, f.name)) || f.name;
      const v = readInput(input, out[name]);
      if (v === undefined) delete out[name];
      else out[name] = v;
    }
    return out;
  }

  // The rows to send: a row the form added and nobody typed in stays out. `sent`
  // keeps the row elements in the order sent, for a refusal that points at one.
  collect() {
    this.sent = this.cls.datasets.map((d) => this.rowsOf(d.index).filter((r) => !r._new || typedIn(r)));
    return this.sent.map((rows) => rows.map((r) => this.rowValues(r)));
  }

  newRow(d, others = []) {
    const row = {};
    if (d.fields.some((f) => same(f.name, 'RowNo'))) {
      const used = others.map((r) => Number(valueOf(r._row, 'RowNo')) || 0);
      row.RowNo = Math.max(0, ...used) + 1;
    }
    const tr = this.gridRow(d, row);
    tr._new = true;
    return tr;
  }

  addRow(index, focus) {
    const d = this.descriptor(index);
    const fs = this.el.querySelector(`fieldset[data-dataset="${index}"]`);
    const tr = this.newRow(d, this.rowsOf(index));
    fs.querySelector('tbody').append(tr);
    this.current[index] = tr;
    if (focus) editable(tr)[0]?.focus();
    return tr;
  }

  removeRow(index) {
    const rows = this.rowsOf(index);
    const tr = rows.includes(this.current[index]) ? this.current[index] : rows[rows.length - 1];
    if (!tr) return;
    const next = tr.nextElementSibling || tr.previousElementSibling;
    tr.remove();
    this.current[index] = next;
    if (next) editable(next)[0]?.focus();
  }

  // The grid that row keys act on: the one holding the focus, else the first.
  gridIndex(target) {
    const fs = target.closest && target.closest('fieldset[data-dataset]');
    if (fs && fs.querySelector('table.grid')) return this.datasetOf(fs);
    const first = this.cls.datasets.find((d) => !this.oneRow(d));
    return first ? first.index : null;
  }

  onKey(ev) {
    const t = ev.target;
    if (ev.ctrlKey && (ev.key === 'Insert' || ev.key === 'Delete')) {
      const index = this.gridIndex(t);
      if (index === null || !this.cls.canWrite) return;
      ev.preventDefault();
      if (ev.key === 'Insert') this.addRow(index, true);
      else this.removeRow(index);
      return;
    }
    if (ev.key !== 'Enter' || t.tagName !== 'INPUT' || ev.isComposing) return;
    ev.preventDefault();
    const all = editable(this.el);
    const i = all.indexOf(t);
    const tr = t.closest('tr[data-row]');
    if (tr && !tr.nextElementSibling && editable(tr).at(-1) === t && this.cls.canWrite) {
      // Enter from the last cell of the last row starts a new row; its value is checked first.
      t.dispatchEvent(new Event('change', { bubbles: true }));
      this.addRow(this.datasetOf(tr), true);
      return;
    }
    if (i >= 0 && i + 1 < all.length) all[i + 1].focus();
  }

  onInput(ev) {
    const t = ev.target;
    t.removeAttribute('aria-invalid');
    if (t._field && OVERTIME.has(this.progId.toLowerCase()) && /time$/i.test(t._field.name)) this.spanSoon(this.rowOf(t));
  }

  onChange(ev) {
    const t = ev.target;
    if (!t._field || t.readOnly) return;
    this.check(t);
    // A field is checked again when a value its check reads changes.
    const reads = CHECK_READS[this.progId.toLowerCase()] || {};
    for (const other of this.rowOf(t).querySelectorAll('input[name]'))
      if (other !== t && other.value && (reads[other.name.toLowerCase()] || []).some((n) => same(n, t.name))) this.check(other);
    if (OVERTIME.has(this.progId.toLowerCase()) && SPAN_FIELDS.has(t._field.name.toLowerCase())) this.spanNow(this.rowOf(t));
    const lookup = SPAN_LOOKUP[this.progId.toLowerCase()];
    if (lookup && lookup.reads.some((n) => same(n, t.name))) this.track(this.lookupSpan(this.rowOf(t), lookup));
  }

  // The field check as the clerk leaves a field: looked-up values come back and are filled in.
  async check(input) {
    const reads = CHECK_READS[this.progId.toLowerCase()]?.[input._field.name.toLowerCase()];
    if (reads === null) return;
    const rowEl = this.rowOf(input);
    const index = this.datasetOf(rowEl);
    const row = this.rowValues(rowEl);
    const header = index === 0 ? row : this.rowValues(this.rowsOf(0)[0]);
    const names = [input._field.name, ...(reads || [])];
    const values = names.map((n) => pick(row, n) ?? pick(header, n) ?? null);
    values[0] = readInput(input) ?? null;
    // Until the values the check reads are typed, the check has nothing to judge.
    if (names.slice(1).some((n, i) => missing(n, values[i + 1]))) return;
    const saves = this.saves;
    const data = await this.call('check', { dataset: index, names, values });
    if (saves !== this.saves || !input.isConnected) return;
    if (!data.ok) {
      showAlert(data.error);
      input.setAttribute('aria-invalid', 'true');
      this.checkRefused = input;
      return;
    }
    if (this.checkRefused === input) {
      showAlert('');
      this.checkRefused = null;
    }
    this.fill(rowEl, data.fields || {});
  }

  fill(rowEl, fields) {
    for (const [name, value] of Object.entries(fields)) {
      const input = [...rowEl.querySelectorAll('input[name]')].find((i) => same(i.name, name));
      if (input) {
        if (input.type === 'checkbox') input.checked = !!value;
        else input.value = showValue(value);
      }
      const key = Object.keys(rowEl._row).find((k) => same(k, name)) || name;
      rowEl._row[key] = value;
    }
  }

  // The hours of an overtime row are asked for a moment after the last key typed in a
  // time, at once when a field of the span is left, and before a save.
  spanSoon(rowEl) {
    clearTimeout(this.spanTimer);
    this.spanRow = rowEl;
    this.spanTimer = setTimeout(() => this.spanNow(rowEl), 400);
  }

  spanNow(rowEl) {
    clearTimeout(this.spanTimer);
    this.spanRow = null;
    this.track(this.overtimeHours(rowEl));
  }

  // Work a save waits for.
  track(promise) {
    this.pending.add(promise);
    promise.finally(() => this.pending.delete(promise));
  }

  // Looks up what the typed span covers, once all of it is typed, and fills in what the
  // object found.
  async lookupSpan(rowEl, lookup) {
    const row = this.rowValues(rowEl);
    const values = lookup.reads.map((n) => pick(row, n));
    if (lookup.reads.some((n, i) => missing(n, values[i]))) return;
    const asked = (rowEl._lookups = (rowEl._lookups || 0) + 1);
    const data = await this.call('proc', { number: lookup.number, arg: [...values, ...lookup.then] });
    if (asked !== rowEl._lookups || !rowEl.isConnected) return;
    if (!data.ok) {
      showAlert(data.error);
      return;
    }
    showAlert('');
    if (Array.isArray(data.result))
      this.fill(rowEl, Object.fromEntries(lookup.fills.map((n, i) => [n, data.result[i]])));
  }

  // The hours of an overtime row, split into segments by the overtime object.
  async overtimeHours(rowEl) {
    const row = this.rowValues(rowEl);
    const cls = pick(row, 'OverTimeClass');
    const begin = pick(row, 'BeginTime');
    const end = pick(row, 'EndTime');
    if (!cls || begin === undefined || end === undefined || begin === null || end === null) return;
    // Only the answer to the latest span of the row is filled in.
    const asked = (rowEl._spans = (rowEl._spans || 0) + 1);
    const dayType = await this.dayType(pick(row, 'OverTimeDate'));
    const data = await post('/v1/proc', { progid: 'QVXHumrs.Overtime', number: 0,
                                          arg: [String(cls), String(begin), String(end), false, false, 0, dayType, false] });
    if (asked !== rowEl._spans || !rowEl.isConnected) return;
    if (!data.ok) {
      showAlert(data.error);
      return;
    }
    if (Array.isArray(data.result))
      this.fill(rowEl, Object.fromEntries(HOUR_FIELDS.map((n, i) => [n, data.result[i]])));
  }

  // The kind of day of an overtime date: a holiday (as the server keeps them), a
  // weekend rest day, or a working day.
  async dayType(date) {
    if (!INT.test(String(date ?? '')) || String(date).length !== 8) return 1;
    this.holidays = this.holidays || new Map();
    if (!this.holidays.has(date)) {
      const data = await post('/v1/proc', { progid: 'QVXHumrs.Overtime', number: 2, arg: Number(date) });
      if (!data.ok) return 1;
      this.holidays.set(date, data.result === true);
    }
    if (this.holidays.get(date)) return 3;
    const s = String(date);
    const wd = new Date(Number(s.slice(0, 4)), Number(s.slice(4, 6)) - 1, Number(s.slice(6))).getDay();
    return wd === 0 || wd === 6 ? 2 : 1;
  }

  clearRefused() {
    for (const el of this.el.querySelectorAll('.refused')) el.classList.remove('refused');
    for (const el of this.el.querySelectorAll('[aria-invalid]')) el.removeAttribute('aria-invalid');
  }

  // Points at what a refusal names: the row is marked, the field marked and focused.
  markRefused(at) {
    const rows = this.sent?.[at.dataset] || this.rowsOf(at.dataset);
    const rowEl = rows[at.row ?? 0];
    if (!rowEl) return;
    rowEl.classList.add('refused');
    const inputs = [...rowEl.querySelectorAll('input[name]')];
    const input = at.field ? inputs.find((i) => same(i.name, at.field)) : null;
    if (input) input.setAttribute('aria-invalid', 'true');
    (input || editable(rowEl)[0] || inputs[0])?.focus();
  }

  async save() {
    this.clearRefused();
    showAlert('');
    this.saves++;
    this.el.setAttribute('aria-busy', 'true');
    const button = this.el.querySelector('button.primary');
    button.disabled = true;
    let data;
    try {
      if (this.spanRow) this.spanNow(this.spanRow);
      await Promise.allSettled([...this.pending]);
      data = await this.call('save', { bill: { datasets: this.collect() } });
    } finally {
      this.el.removeAttribute('aria-busy');
      button.disabled = false;
    }
    if (!data.ok) {
      showAlert(data.error);
      if (data.at) this.markRefused(data.at);
      return;
    }
    showAlert('');
    this.key = data.key;
    this.render(data.datasets);
    setLocation(billLink(this.progId, data.key));
    showNotices([...(data.notices || []), `已保存 ${data.key}`]);
  }

  async remove() {
    // A deleted bill leaves every list and balance at once: the clerk says so first.
    if (!window.confirm(`删除单据 ${this.key}？删除后不能恢复。`)) return;
    showAlert('');
    const data = await this.call('delete', { key: this.key });
    if (!data.ok) {
      showAlert(data.error);
      return;
    }
    this.release();
    nav.flash = [...(data.notices || []), `已删除 ${this.key}`];
    location.hash = `#/list/${encodeURIComponent(this.progId)}`;
  }

  focusFirst() { editable(this.el)[0]?.focus(); }
}

function editable(root) {
  return [...root.querySelectorAll('input[name]')].filter((i) => !i.readOnly && !i.disabled);
}

// A value not typed yet: nothing, a date of 0, a negative time.
function missing(name, v) {
  return v === undefined || v === null || v === '' || (typeof v === 'number' && (v < 0 || (v === 0 && /date$/i.test(name))));
}

function typedIn(rowEl) {
  return [...rowEl.querySelectorAll('input[name]')].some((i) => (i.type === 'checkbox' ? i.checked : i.value.trim() !== ''));
}

function valueOf(row, name) {
  const k = Object.keys(row).find((x) => same(x, name));
  return k === undefined ? undefined : row[k];
}

const pick = valueOf;

// The value of an input as the server reads it. A number field takes a number when
// the text is one, and otherwise the text itself, for the server to judge; an empty
// number field is left out of a row that had no value, else cleared.
function readInput(input, before) {
  const f = input._field;
  if (input.type === 'checkbox') return input.checked;
  const text = input.value;
  if (!f || f.type === 'text') return text;
  const t = text.trim();
  if (t === '') return before === undefined || before === null ? undefined : null;
  if (f.type === 'int' && INT.test(t)) return Number(t);
  if (f.type !== 'int' && NUMBER.test(t)) return Number(t);
  return text;
}
