// A person's month (leave, overtime, balances, compensatory hours) and the printable
// pay statement of a person-month.
import { h, get, newView, attachPicker, showDate, showTime, showValue, labelOf, monthNow, addMonths,
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

// A refused answer goes to the alert; a page the caller's roles do not allow shows nothing else.
function allowed(view, data) {
  if (data.ok) return data;
  if (data.status === 403) view.replaceChildren();
  throw new Refusal(data);
}

// A page of a person-month: its title and chooser; nothing more until a person is chosen.
function monthPage(title, base, id, month) {
  const view = newView();
  view.append(h('h1', { class: 'noprint' }, title), chooser(base, id, month));
  if (!id) view.append(h('p', null, '请选择人员。'));
  return view;
}

export async function personView(id, month = monthNow()) {
  const view = monthPage('人员', '#/person', id, month);
  if (!id) return;
  const data = allowed(view, await get('/v1/person', { id, month }));
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

// Headings of the statement's own columns (sums and names it joins in); other columns
// take the label their bill's form gives them.
const STATEMENT_LABELS = {
  TotalAmount: '金额合计', SalaryName: '薪资项目名称', Propertiy: '加扣', CaleType: '计算方式', MonthType: '月份方式',
  OverTimeClass: '加班班别', OverTimeDate: '加班日期', TotalCount: '加班合计', ExcuseClsName: '请假类别名称',
  BeginDate: '开始日期', EndDate: '结束日期', ExcuseUnit: '计假单位', UnitName: '计量单位', ExcuseCount: '请假数量',
  IfCutExcuse: '已销假', CutExcuseNo: '销假单号', CutExcuseCount: '销假数量', RealExcuseCount: '实际请假数量',
  ExcuseCountAll: '扣款基数', ExcuseAmountAll: '扣款金额', ProcName: '工序', ProdName: '产品', Unit: '单位',
  ProdDate: '生产日期', EligibleQty: '合格数量', EligiblePieceRate: '合格单价', EligibleAmount: '合格金额',
  DamageQty: '损坏数量', DamagePieceRate: '损坏单价', DamageAmount: '损坏金额', OtherCutPay: '其他扣款',
  RealPayAmount: '实得金额', Demo: '备注', PersonName: '姓名', DepartName: '部门', SumTaxSalary: '应税合计',
  SumDeduct: '扣款合计', BankName: '银行', BankMoneny: '银行金额',
};

export async function payView(id, month = monthNow()) {
  const view = monthPage('工资条', '#/pay', id, month);
  if (!id) return;
  const data = allowed(view, await get('/v1/paystatement', { person: id, month }));
  const s = data.statement;
  let totals, details;
  if (Array.isArray(s)) {
    totals = TOTALS.map(([i, label]) => [label, s[i]]);
    details = DETAILS.map(([i, title]) => [title, s[i]]);
  } else if (s && typeof s === 'object') {
    // A statement by name: its row sets as tables, the rest as totals.
    const all = Object.entries(s);
    totals = all.filter(([, v]) => !isRows(v));
    details = all.filter(([, v]) => isRows(v));
  } else {
    view.append(h('p', null, '服务没有给出工资条。'));
    return;
  }
  const who = await get('/v1/pick', { kind: 'person', q: id, limit: 5 });
  const person = who.ok ? who.items.find((i) => i.code === id) : null;
  const sheet = h('article', { class: 'statement' },
    h('header', null, h('h2', null, '工资条'),
      h('p', null, `人员：${id} ${person ? person.name : ''}`, person?.detail ? `　部门：${person.detail}` : '',
        `　薪资年月：${String(month).slice(0, 4)}年${String(month).slice(4)}月`,
        Array.isArray(s) && s[5] ? `　薪资单：${s[5]}` : '')),
    h('table', { class: 'totals' }, h('tbody', null, pairs(totals))));
  for (const [title, rows] of details) sheet.append(await packetTable(title, rows));
  view.append(h('div', { class: 'actions noprint' }, h('button', { type: 'button', onclick: () => window.print() }, '打印')),
    sheet);
}

// Label-value pairs two to a row.
function pairs(list) {
  const rows = [];
  for (let i = 0; i < list.length; i += 2)
    rows.push(h('tr', null, list.slice(i, i + 2).map(([l, v]) =>
      [h('th', null, l), h('td', { class: 'num' }, typeof v === 'number' ? v.toFixed(2) : showValue(v))])));
  return rows;
}

// Row sets come as a data packet {fields, rows} or as a list of rows by field name.
function isRows(v) {
  return (v && Array.isArray(v.fields) && Array.isArray(v.rows)) || (Array.isArray(v) && v.every((r) => r && typeof r === 'object'));
}

async function packetTable(title, set) {
  const section = h('section', { class: 'detail' }, h('h3', null, title));
  let fields = [], rows = [];
  if (set && Array.isArray(set.fields)) {
    fields = set.fields;
    rows = set.rows || [];
  } else if (Array.isArray(set)) {
    fields = [...new Set(set.flatMap((r) => Object.keys(r)))];
    rows = set.map((r) => fields.map((f) => r[f]));
  }
  // The bill kind behind a row is no concern of the statement's reader.
  const shown = fields.map((f, i) => [f, i]).filter(([f]) => f !== 'Flag');
  fields = shown.map(([f]) => f);
  rows = rows.map((r) => shown.map(([, i]) => r[i]));
  if (!rows.length) {
    section.append(h('p', { class: 'none' }, '无'));
    return section;
  }
  const labels = await Promise.all(fields.map((f) => STATEMENT_LABELS[f] || labelOf(f)));
  section.append(h('table', { class: 'list' },
    h('thead', null, h('tr', null, labels.map((l) => h('th', null, l)))),
    h('tbody', null, rows.map((r) => h('tr', null, r.map((v) => h('td', null, showValue(v))))))));
  return section;
}
