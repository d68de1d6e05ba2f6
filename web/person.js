// A person's month (leave, overtime, balances, compensatory hours) and the printable
// pay statement of a person-month.
import { h, get, must, newView, attachPicker, showDate, showTime, showValue, labelOf, monthNow, addMonths,
         billLink, Refusal } from './util.js';

// The month-and-person bar both pages share: a person picker, the month, and a step
// back or forward.
function chooser(base, id, month) {
  const form = h('form', { class: 'chooser' },
    h('label', null, '人员', h('input', { name: 'person', value: id || '', autocomplete: 'off' })),
    h('label', null, '月份', h('input', { name: 'month', value: month, inputmode: 'numeric', placeholder: 'YYYYMM' })),
    h('button', { type: 'submit' }, '查看'),
    h('button', { type: 'button', onclick: () => go(addMonths(form.elements.month.value, -1)) }, '上月'),
    h('button', { type: 'button', onclick: () => go(addMonths(form.elements.month.value, 1)) }, '下月'));
  const go = (m) => {
    const person = form.elements.person.value.trim();
    location.hash = `${base}/${encodeURIComponent(person)}/${m}`;
  };
  form.addEventListener('submit', (ev) => {
    ev.preventDefault();
    go(form.elements.month.value.trim());
  });
  attachPicker(form.elements.person, 'person');
  return form;
}

export async function personView(id, month) {
  const view = newView();
  month = month || monthNow();
  view.append(h('h1', { class: 'noprint' }, '人员'), chooser('#/person', id, month));
  if (!id) {
    view.append(h('p', null, '请选择人员。'));
    return;
  }
  const data = must(await get('/v1/person', { id, month }));
  const p = data.person;
  view.append(h('h2', null, `${p.name}（${p.id}）`, h('span', { class: 'sub' }, ` ${p.depart || ''} ${p.onJob ? '在职' : '不在职'}`)),
    h('p', { class: 'links' }, h('a', { href: `#/pay/${encodeURIComponent(p.id)}/${data.month}` }, '工资条')));
  view.append(calendar(data.month, data.days || []));

  view.append(h('h3', null, '假期余额'));
  view.append(h('table', { id: 'balances', class: 'list' },
    h('thead', null, h('tr', null, ['假别', '年度起', '额度', '已用', '剩余', '单位'].map((t) => h('th', null, t)))),
    h('tbody', null, (data.balances || []).map((b) => h('tr', null,
      h('td', null, `${b.name}（${b.category}）`), h('td', null, showDate(b.yearStart)), h('td', { class: 'num' }, b.quota),
      h('td', { class: 'num' }, b.used), h('td', { class: 'num' }, b.left), h('td', null, b.unit))))));
  if (!(data.balances || []).length) view.append(h('p', null, '没有限额的假别。'));

  view.append(h('h3', null, '可调休的加班'));
  view.append(h('table', { id: 'compensatory', class: 'list' },
    h('thead', null, h('tr', null, ['加班日期', '单据', '可用时数', '到期'].map((t) => h('th', null, t)))),
    h('tbody', null, (data.compensatory || []).map((c) => h('tr', null,
      h('td', null, showDate(c.date)), h('td', null, h('a', { href: billLink('QVXHumrs.Overtime', c.billNo) }, c.billNo)),
      h('td', { class: 'num' }, c.hours), h('td', null, showDate(c.expires)))))));
  if (!(data.compensatory || []).length) view.append(h('p', null, '没有可调休的加班时数。'));
}

const WEEKDAYS = ['一', '二', '三', '四', '五', '六', '日'];

// The month as weeks from Monday; each day lists its leave and overtime.
function calendar(month, days) {
  const y = Math.floor(month / 100), m = month % 100;
  const byDate = new Map(days.map((d) => [d.date, d]));
  const first = new Date(y, m - 1, 1);
  const count = new Date(y, m, 0).getDate();
  const lead = (first.getDay() + 6) % 7;
  const cells = [];
  for (let i = 0; i < lead; i++) cells.push(h('td', { class: 'empty' }));
  for (let d = 1; d <= count; d++) {
    const date = month * 100 + d;
    const day = byDate.get(date) || { leave: [], overtime: [] };
    cells.push(h('td', { 'data-date': String(date) }, h('div', { class: 'day' }, d),
      (day.leave || []).map((l) => h('a', { class: 'leave', href: billLink(l.progId, l.billNo),
        title: `${showDate(l.beginDate)} ${showTime(l.beginTime)} – ${showDate(l.endDate)} ${showTime(l.endTime)}` },
      `${l.categoryName || l.category} ${l.count}${l.cut ? '（已销假）' : ''}`)),
      (day.overtime || []).map((o) => h('a', { class: 'overtime', href: billLink(o.progId, o.billNo) },
        `加班 ${showTime(o.beginTime)}–${showTime(o.endTime)} ${o.hours}小时`))));
  }
  while (cells.length % 7) cells.push(h('td', { class: 'empty' }));
  const weeks = [];
  for (let i = 0; i < cells.length; i += 7) weeks.push(h('tr', null, cells.slice(i, i + 7)));
  return h('table', { class: 'calendar' },
    h('caption', null, `${y}年${m}月`),
    h('thead', null, h('tr', null, WEEKDAYS.map((w) => h('th', null, w)))),
    h('tbody', null, weeks));
}

// What each element of the pay statement holds, by its index.
const DETAILS = [[0, '计时工资'], [1, '加扣款'], [2, '加班'], [3, '请假'], [4, '计件'],
                 [23, '预支薪资'], [24, '预支生成的薪资'], [25, '预支银行分配']];
const TOTALS = [[6, '计时工资合计'], [7, '加款合计'], [8, '扣款合计'], [9, 'A段加班时数'], [10, 'B段加班时数'],
                [11, 'C段加班时数'], [12, '节假日加班时数'], [13, 'A段加班费'], [14, 'B段加班费'], [15, 'C段加班费'],
                [16, '节假日加班费'], [17, '请假扣款'], [18, '计件合格金额'], [19, '计件损坏金额'], [20, '其他扣款'],
                [21, '计件奖金'], [22, '计件短缺']];

export async function payView(id, month) {
  const view = newView();
  month = month || monthNow();
  view.append(h('h1', { class: 'noprint' }, '工资条'), chooser('#/pay', id, month));
  if (!id) {
    view.append(h('p', null, '请选择人员。'));
    return;
  }
  const data = await get('/v1/paystatement', { person: id, month });
  if (!data.ok) throw new Refusal(data);
  const s = data.statement;
  if (!Array.isArray(s)) {
    view.append(h('p', null, '服务没有给出工资条。'));
    return;
  }
  const who = await get('/v1/pick', { kind: 'person', q: id, limit: 5 });
  const person = who.ok ? who.items.find((i) => i.code === id) : null;
  const sheet = h('article', { class: 'statement' },
    h('header', null, h('h2', null, '工资条'),
      h('p', null, `人员：${id} ${person ? person.name : ''}`, person?.detail ? `　部门：${person.detail}` : '',
        `　薪资年月：${String(month).slice(0, 4)}年${String(month).slice(4)}月`,
        s[5] ? `　薪资单：${s[5]}` : '')),
    h('table', { class: 'totals' }, h('tbody', null, pairs(TOTALS.map(([i, label]) => [label, s[i]])))));
  for (const [i, title] of DETAILS) sheet.append(await packetTable(title, s[i]));
  view.append(h('div', { class: 'actions noprint' }, h('button', { type: 'button', onclick: () => window.print() }, '打印')),
    sheet);
}

// Label-value pairs two to a row.
function pairs(list) {
  const rows = [];
  for (let i = 0; i < list.length; i += 2)
    rows.push(h('tr', null, list.slice(i, i + 2).map(([l, v]) => [h('th', null, l), h('td', { class: 'num' }, showValue(v))])));
  return rows;
}

async function packetTable(title, packet) {
  const section = h('section', { class: 'detail' }, h('h3', null, title));
  if (!packet || !Array.isArray(packet.rows) || !packet.rows.length) {
    section.append(h('p', { class: 'none' }, '无'));
    return section;
  }
  const labels = await Promise.all(packet.fields.map((f) => labelOf(f)));
  section.append(h('table', { class: 'list' },
    h('thead', null, h('tr', null, labels.map((l) => h('th', null, l)))),
    h('tbody', null, packet.rows.map((r) => h('tr', null, r.map((v) => h('td', null, showValue(v))))))));
  return section;
}
