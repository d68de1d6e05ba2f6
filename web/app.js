// The workspace: one page whose views follow the location hash.
import { h, session, setSession, clearSession, post, get, classes, classOf, must, showAlert,
         clearMessages, showNotices, Refusal, showDate, showValue, attachPicker,
         newView, nav, billLink, goButton, setLocation } from './util.js';
import { billView } from './bill.js';
import { personView, payView } from './person.js';

const GROUPS = ['考勤', '薪资', '人事'];
const OTHERS = '基础资料';

const routes = [
  [/^#\/login$/, loginView],
  [/^#?\/?$/, homeView],
  [/^#\/list\/([^/]+)$/, listView],
  [/^#\/bill\/([^/]+)\/new$/, (progId) => billView(progId, null)],
  [/^#\/bill\/([^/]+)\/(.+)$/, billView],
  [/^#\/history\/([^/]+)\/(.+)$/, historyView],
  [/^#\/person(?:\/([^/]*))?(?:\/(\d{6}))?$/, personView],
  [/^#\/pay(?:\/([^/]*))?(?:\/(\d{6}))?$/, payView],
];

async function render() {
  if (nav.skip !== null && location.hash === nav.skip) {
    nav.skip = null;
    return;
  }
  nav.skip = null;
  if (nav.leave) nav.leave();
  nav.leave = null;
  clearMessages();
  if (nav.flash) showNotices(nav.flash);
  nav.flash = null;
  const hash = location.hash || '#/';
  showTop();
  if (!session.name && hash !== '#/login') {
    location.hash = '#/login';
    return;
  }
  for (const [re, view] of routes) {
    const m = hash.match(re);
    if (!m) continue;
    try {
      await view(...m.slice(1).map((p) => (p === undefined ? undefined : decodeURIComponent(p))));
    } catch (e) {
      if (!(e instanceof Refusal)) console.error(e);
      showAlert(e.message);
    }
    return;
  }
  newView().append(h('p', null, '没有这个页面。'), h('a', { href: '#/' }, '回首页'));
}

function showTop() {
  document.getElementById('top').hidden = !session.name;
  document.getElementById('who').textContent = session.name || '';
}

function loginView() {
  const view = newView();
  document.getElementById('top').hidden = true;
  const form = h('form', { class: 'login' },
    h('h1', null, '人事工作台'),
    h('label', null, '用户名', h('input', { name: 'name', autocomplete: 'username', required: true })),
    h('label', null, '密码', h('input', { name: 'password', type: 'password', autocomplete: 'current-password' })),
    h('button', { type: 'submit' }, '登录'));
  form.addEventListener('submit', async (ev) => {
    ev.preventDefault();
    showAlert('');
    const data = await post('/v1/login', { name: form.elements.name.value, password: form.elements.password.value });
    if (!data.ok) {
      showAlert(data.error);
      form.elements.password.select();
      return;
    }
    setSession({ name: data.name, roles: data.roles || [], csrf: data.csrf });
    // The home page is drawn before its location shows.
    showTop();
    try {
      await homeView();
    } catch (e) {
      showAlert(e.message);
    }
    setLocation('#/');
  });
  view.append(form);
  form.elements.name.focus();
}

async function logout() {
  await post('/v1/logout');
  clearSession();
  location.hash = '#/login';
}

async function homeView() {
  const view = newView();
  const all = await classes();
  view.append(h('h1', null, '首页'));
  const groups = [...GROUPS, OTHERS];
  for (const g of groups) {
    const mine = all.filter((c) => (GROUPS.includes(c.subsystem) ? c.subsystem : OTHERS) === g);
    if (!mine.length) continue;
    view.append(h('section', { class: 'group' }, h('h2', null, g),
      h('ul', null, mine.map((c) => h('li', null, h('a', { href: classLink(c) }, c.title))))));
  }
  if (!all.length) view.append(h('p', null, '您的角色没有可查看的单据。'));
}

// Where a class's link on the home page leads: its bill list, or the pay statement
// for the query behind it.
function classLink(c) {
  if (c.progId.toLowerCase() === 'qvxhumrs.hummonthsalaryquery') return '#/pay';
  return `#/list/${encodeURIComponent(c.progId)}`;
}

async function listView(progId) {
  const view = newView();
  const cls = await classOf(progId, () => get('/v1/find', { progid: progId }));
  view.append(h('h1', null, cls.title));
  if (!cls.datasets.length) {
    view.append(h('p', null, '这是查询，没有单据可列出。'));
    return;
  }
  const f = cls.find || {};
  const form = h('form', { class: 'search' },
    h('label', null, '单号', h('input', { name: 'billNo' })),
    f.date ? [h('label', null, '日期从', h('input', { name: 'from', inputmode: 'numeric', placeholder: 'YYYYMMDD' })),
              h('label', null, '到', h('input', { name: 'to', inputmode: 'numeric', placeholder: 'YYYYMMDD' }))] : null,
    f.person ? h('label', null, '人员', h('input', { name: 'person' })) : null,
    h('button', { type: 'submit' }, '查询'),
    cls.canWrite ? goButton('新建', `#/bill/${encodeURIComponent(cls.progId)}/new`) : null);
  const result = h('div', { class: 'result' });
  const prev = h('button', { type: 'button', disabled: true }, '上一页');
  const next = h('button', { type: 'button', disabled: true }, '下一页');
  const pageNo = h('span', { class: 'page' });
  view.append(form, result, h('div', { class: 'paging' }, prev, pageNo, next));
  if (f.person) attachPicker(form.elements.person, 'person');

  const head0 = cls.datasets[0].fields.filter((x) => !x.lookup && x.name !== cls.key && x.name !== f.date
                                              && x.name !== f.person && !/^(RowNo|SerNo)$/i.test(x.name)).slice(0, 5);
  let page = 1;
  const load = async () => {
    const q = { progid: cls.progId, page, size: 20 };
    for (const n of ['billNo', 'from', 'to', 'person'])
      if (form.elements[n] && form.elements[n].value.trim()) q[n] = form.elements[n].value.trim();
    const data = await get('/v1/find', q);
    if (!data.ok) {
      showAlert(data.error);
      return;
    }
    showAlert('');
    const keyLabel = cls.datasets[0].fields.find((x) => x.name === cls.key)?.label || '单号';
    const labelOf = (n) => cls.datasets[0].fields.find((x) => x.name === n)?.label || n;
    result.replaceChildren(h('table', { class: 'list' },
      h('thead', null, h('tr', null, h('th', null, keyLabel), f.date ? h('th', null, labelOf(f.date)) : null,
        f.person ? [h('th', null, '人员'), h('th', null, '姓名')] : null, head0.map((x) => h('th', null, x.label)))),
      h('tbody', null, data.rows.map((r) => h('tr', null,
        h('td', null, h('a', { href: billLink(cls.progId, r.key) }, r.key)),
        f.date ? h('td', null, showDate(r.date)) : null,
        f.person ? [h('td', null, r.person ?? ''), h('td', null, r.personName ?? '')] : null,
        head0.map((x) => h('td', null, showValue(r.fields?.[x.name]))))))));
    if (!data.rows.length) result.append(h('p', null, '没有找到单据。'));
    prev.disabled = page <= 1;
    next.disabled = !data.more;
    pageNo.textContent = `第 ${page} 页`;
  };
  form.addEventListener('submit', (ev) => {
    ev.preventDefault();
    page = 1;
    load();
  });
  prev.addEventListener('click', () => { page--; load(); });
  next.addEventListener('click', () => { page++; load(); });
  await load();
}

const OPERATIONS = { save: '保存', delete: '删除', procedure: '过程' };
const OUTCOMES = { accepted: '通过', refused: '拒绝', input: '输入有误', database: '数据库错误', internal: '内部错误' };
const VIA = { command: '命令', service: '服务', library: '程序库' };

async function historyView(progId, key) {
  const view = newView();
  const cls = await classOf(progId, () => get('/v1/audit', { progid: progId, key }));
  const data = must(await get('/v1/audit', { progid: cls.progId, key }));
  view.append(h('h1', null, `${cls.title} ${key} 的历史`),
    h('p', null, h('a', { href: billLink(cls.progId, key) }, '返回单据')));
  const table = h('table', { class: 'history' },
    h('thead', null, h('tr', null, ['序号', '时间', '用户', '途径', '操作', '结果', '变更'].map((t) => h('th', null, t)))),
    h('tbody', null, data.entries.map((e) => h('tr', null,
      h('td', null, e.number), h('td', { class: 'when' }, String(e.when ?? '').replace('T', ' ').replace(/\.\d+Z$/, ' UTC')),
      h('td', null, e.user ?? ''),
      h('td', null, VIA[e.via] || e.via || ''), h('td', null, OPERATIONS[e.operation] || e.operation),
      h('td', null, OUTCOMES[e.outcome] || e.outcome, e.message ? h('div', { class: 'message' }, e.message) : null),
      h('td', null, changesOf(e.changes))))));
  view.append(table);
  if (!data.entries.length) view.append(h('p', null, '这张单据没有历史记录。'));
}

// The changes of one entry: per dataset the rows added, the fields changed (old → new),
// the rows removed.
function changesOf(changes) {
  if (!changes || typeof changes !== 'object') return showValue(changes);
  const out = h('ul', { class: 'changes' });
  const list = Array.isArray(changes) ? changes.map((c, i) => [i, c]) : Object.entries(changes);
  for (const [ds, c] of list) {
    if (!c || typeof c !== 'object') continue;
    for (const [what, label] of [['inserted', '新增'], ['modified', '修改'], ['deleted', '删除']]) {
      for (const row of c[what] || []) {
        // A changed row names its key and the fields changed as [old, new].
        const key = row.key && typeof row.key === 'object' ? Object.values(row.key).map(showValue).join('/') + ' ' : '';
        const fields = row.changed && typeof row.changed === 'object' ? row.changed : row.key ? {} : row;
        const parts = Object.entries(fields).map(([k, v]) => (Array.isArray(v) && v.length === 2
          ? `${k}: ${showValue(v[0])} → ${showValue(v[1])}` : `${k}: ${showValue(v)}`));
        const where = Number(c.dataset ?? ds) === 0 ? '单据' : `明细 ${c.dataset ?? ds}`;
        out.append(h('li', null, `${where} ${label} ${key}${parts.join('，')}`));
      }
    }
  }
  if (!out.children.length) return Array.isArray(changes) || !Object.keys(changes).length ? '' : JSON.stringify(changes);
  return out;
}

document.getElementById('logout').addEventListener('click', logout);
window.addEventListener('hashchange', render);
render();
