// The station's view: the state comes as server-sent events and is drawn
// whole at each change; a beat every two seconds tells that the station is
// there.  Nothing here sends anything but GET requests.
'use strict';

const token = new URLSearchParams(location.search).get('token');
const withToken = (path) => token ? path + '?token=' + encodeURIComponent(token) : path;
const phases = { waiting: 'ждёт устройство', preparing: 'готовится', done: 'готово', failed: 'не удалось' };
const links = {
  identify: 'идентификация', files: 'файлы', delete: 'удаление приложения', boot: 'загрузчик',
  firmware: 'ПО модуля', application: 'приложение', start: 'старт', serial: 'серийный номер'
};
const serialStates = { free: 'не записан', reserved: 'выдан', stored: 'записан', unknown: 'неизвестно' };

let source = null;
let heard = 0;          // when the station last said anything (Date.now())
let clockOffset = 0;    // the station's clock minus this one
let state = null;

function el(tag, cls, text) {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text !== undefined && text !== null) e.textContent = text;
  return e;
}

function elapsed(tile) {
  if (!tile.started) return '';
  const end = tile.finished ? Date.parse(tile.finished) : Date.now() + clockOffset;
  const s = Math.max(0, Math.round((end - Date.parse(tile.started)) / 1000));
  return Math.floor(s / 60) + ':' + String(s % 60).padStart(2, '0');
}

function tileElement(t) {
  const e = el('div', 'tile ' + t.phase);
  e.dataset.slot = t.slot;
  e.dataset.port = t.port;
  e.dataset.phase = t.phase;
  e.dataset.serial = t.serial || '';
  e.dataset.percent = t.percent;
  e.dataset.link = t.link;
  e.append(el('div', 'name', t.slot));
  if (t.port !== t.slot) e.append(el('div', 'port', t.port));
  e.append(el('div', 'phase', phases[t.phase] || t.phase));
  if (t.link) {
    const label = (links[t.link] || t.link) + (t.attempt > 1 ? ' (попытка ' + t.attempt + ')' : '');
    e.append(el('div', 'link', label + (t.percent >= 0 ? ' — ' + t.percent + ' %' : '')));
    const bar = el('div', 'bar');
    const fill = el('div');
    fill.style.width = Math.max(0, t.percent) + '%';
    bar.append(fill);
    e.append(bar);
  }
  const time = el('div', 'elapsed', elapsed(t));
  time.dataset.started = t.started || '';
  time.dataset.finished = t.finished || '';
  e.append(time);
  if (t.moduleType) e.append(el('div', 'module', 'Модуль ' + t.moduleType + (t.coreVersion ? ', ядро ' + t.coreVersion : '')));
  if (t.applicationVersion) e.append(el('div', 'app', 'Приложение ' + t.applicationVersion));
  if (t.serial) e.append(el('div', 'serial', '№ ' + t.serial + ' — ' + (serialStates[t.serialState] || t.serialState)));
  if (t.phase === 'failed') {
    const r = el('div', 'reason', t.reason || t.failure);
    r.dataset.failure = t.failure;
    if (t.reason && t.failure) r.title = t.failure;
    e.append(r);
  }
  return e;
}

function yieldText(y) {
  return 'готово ' + y.done + ', не удалось ' + y.failed +
    (y.firstPassYield === null ? '' : ', с первого раза ' + y.firstPassYield.toFixed(1) + ' %');
}

function drawSlots(s) {
  const box = document.getElementById('slots');
  box.replaceChildren();
  if (s.kind === 'station') {
    const tiles = el('div', 'tiles');
    s.slots.forEach(t => tiles.append(tileElement(t)));
    box.append(tiles);
    return;
  }
  s.stations.forEach(st => {
    const row = el('section', 'station-row');
    row.dataset.station = st.station;
    const h = el('h2', null, st.station);
    h.append(el('span', 'yield', yieldText(st.yield)));
    row.append(h);
    const tiles = el('div', 'tiles');
    st.slots.forEach(t => tiles.append(tileElement(t)));
    row.append(tiles);
    box.append(row);
  });
}

function drawCounts(s) {
  const y = s.kind === 'station' ? s.run : s.stations.reduce((a, st) => ({
    done: a.done + st.yield.done, failed: a.failed + st.yield.failed, firstPass: a.firstPass + st.yield.firstPass
  }), { done: 0, failed: 0, firstPass: 0 });
  const all = y.done + y.failed;
  document.getElementById('done').textContent = y.done;
  document.getElementById('failed').textContent = y.failed;
  document.getElementById('yield').textContent = all ? (100 * y.firstPass / all).toFixed(1) + ' %' : '—';
  document.getElementById('left').textContent = s.numbersLeft === null ? '—' : s.numbersLeft;
}

function drawDevices(s) {
  const list = document.getElementById('devices');
  list.replaceChildren();
  s.devices.forEach(d => {
    const when = d.finished ? new Date(d.finished).toLocaleTimeString('ru-RU') : '';
    const li = el('li', d.done ? 'done' : 'failed',
      when + ' ' + (d.station ? d.station + ' ' : '') + d.slot + ' — ' + (d.serial || 'без номера') +
      (d.done ? '' : ' — ' + d.failure));
    li.dataset.id = d.id;
    li.addEventListener('click', () => showRecord(d.id));
    list.append(li);
  });
}

function drawBoardParts(s) {
  const board = s.kind === 'board';
  document.getElementById('hours-box').hidden = !board;
  document.getElementById('unknown-box').hidden = !board || s.unknown.length === 0;
  const err = document.getElementById('store-error');
  err.hidden = !s.storeError;
  err.textContent = s.storeError ? 'База недоступна: ' + s.storeError : '';
  if (!board) return;
  const table = document.getElementById('hours');
  table.replaceChildren();
  const names = s.stations.map(st => st.station);
  const head = el('tr');
  head.append(el('th', null, 'Час'));
  names.forEach(n => head.append(el('th', null, n)));
  table.append(head);
  s.hours.forEach(h => {
    const tr = el('tr');
    tr.append(el('td', null, new Date(h.hour).toLocaleTimeString('ru-RU', { hour: '2-digit', minute: '2-digit' })));
    names.forEach(n => {
      const y = h.stations[n];
      tr.append(el('td', null, y ? y.done + '/' + (y.done + y.failed) : ''));
    });
    table.append(tr);
  });
  const unknown = document.getElementById('unknown');
  unknown.replaceChildren();
  s.unknown.forEach(u => unknown.append(el('li', null, u.serial + ' — ' + u.station + ' ' + u.port)));
}

function draw(s) {
  state = s;
  document.getElementById('title').textContent =
    s.kind === 'station' ? 'Станция ' + s.station : 'Линия: ' + s.stations.length + ' станц.';
  document.title = document.getElementById('title').textContent;
  document.getElementById('counts-title').textContent = s.kind === 'station' ? 'Этот запуск' : 'Смена';
  drawSlots(s);
  drawCounts(s);
  drawDevices(s);
  drawBoardParts(s);
}

async function showRecord(id) {
  const answer = await fetch(withToken('device/' + id));
  document.getElementById('record-text').textContent =
    answer.ok ? await answer.text() : 'Запись уже не в списке последних устройств';
  document.getElementById('record').showModal();
}

function online(yes) {
  document.getElementById('offline').hidden = yes;
  document.body.dataset.online = yes ? 'yes' : 'no';
}

function connect() {
  if (source) source.close();
  source = new EventSource(withToken('events'));
  source.addEventListener('state', e => {
    heard = Date.now();
    online(true);
    draw(JSON.parse(e.data));
  });
  source.addEventListener('beat', e => {
    heard = Date.now();
    online(true);
    clockOffset = Date.parse(JSON.parse(e.data).now) - Date.now();
  });
  source.onerror = () => online(false);
}

document.getElementById('csv').href = withToken('records.csv');
document.getElementById('jsonl').href = withToken('records.jsonl');
heard = Date.now();
connect();
setInterval(() => {
  // Silent for four seconds: the station or the network is gone; ask again.
  if (Date.now() - heard > 4000) {
    online(false);
    heard = Date.now();
    connect();
  }
  document.querySelectorAll('.tile .elapsed').forEach(e => {
    if (!e.dataset.finished && e.dataset.started) e.textContent = elapsed({ started: e.dataset.started });
  });
  document.getElementById('clock').textContent = new Date(Date.now() + clockOffset).toLocaleTimeString('ru-RU');
}, 1000);
