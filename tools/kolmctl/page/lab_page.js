// kolmctl serve's page: the curve of each channel as kolmctl measures it, the relays,
// the calibration of each channel and the capture's files, through kolmctl's HTTP API
// (kolmctl help serve). Every recorded reading is kept; the chart draws at most a
// few points per pixel of what it shows.
"use strict";

// Each text of the page in English and in French, in that order.
const TEXTS = {
  capture: ["Capture", "Mesure"],
  channels: ["Channels", "Voies"],
  rate: ["Rate", "Cadence"],
  duration: ["Duration", "Dur\u00e9e"],
  start: ["Start", "D\u00e9marrer"],
  stop: ["Stop", "Arr\u00eater"],
  clear: ["Clear", "Effacer"],
  window: ["Shown", "Affich\u00e9"],
  whole: ["whole capture", "toute la mesure"],
  relays: ["Relays", "Relais"],
  relay: ["Relay", "Relais"],
  unknown: ["not known yet", "inconnu pour l'instant"],
  on: ["on", "ferm\u00e9"],
  off: ["off", "ouvert"],
  calibration: ["Calibration", "\u00c9talonnage"],
  calibrationHelp: ["value = a \u00d7 volts + b: enter a and b, or measure two points: read the volts with the sensor in each known state and enter the value it stands for.", "valeur = a \u00d7 volts + b : entrez a et b, ou mesurez deux points : lisez les volts avec le capteur dans chaque \u00e9tat connu et entrez la valeur correspondante."],
  name: ["Name", "Nom"],
  unit: ["Unit", "Unit\u00e9"],
  save: ["Save", "Enregistrer"],
  remove: ["Volts again", "Revenir aux volts"],
  point: ["Point", "Point"],
  readVolts: ["Read volts", "Lire les volts"],
  value: ["value", "valeur"],
  fromPoints: ["a and b from the two points", "a et b d'apr\u00e8s les deux points"],
  downloads: ["Downloads", "T\u00e9l\u00e9chargements"],
  csvEn: ["CSV (English)", "CSV (anglais)"],
  csvFr: ["CSV (French)", "CSV (fran\u00e7ais)"],
  svg: ["Chart (SVG)", "Graphique (SVG)"],
  png: ["Chart (PNG)", "Graphique (PNG)"],
  virtual: ["virtual box", "bo\u00eetier virtuel"],
  taken: [(n) => n + (n === 1 ? " reading" : " readings"), (n) => n + (n <= 1 ? " lecture" : " lectures")],
  gaps: [(n) => n + (n === 1 ? " gap" : " gaps"), (n) => n + (n <= 1 ? " trou" : " trous")],
  missed: [(n) => n + (n === 1 ? " missed slot" : " missed slots"), (n) => n + (n <= 1 ? " cr\u00e9neau manqu\u00e9" : " cr\u00e9neaux manqu\u00e9s")],
  running: ["measuring", "mesure en cours"],
  stopped: ["stopped", "arr\u00eat\u00e9e"],
  maxRate: [(r) => "up to " + r + " Hz", (r) => "jusqu'\u00e0 " + r + " Hz"],
  connecting: ["Connecting to kolmctl\u2026", "Connexion \u00e0 kolmctl\u2026"],
  lost: ["kolmctl does not answer: is it still running?", "kolmctl ne r\u00e9pond pas : tourne-t-il encore ?"],
  noToken: ["This address has no token: open the address kolmctl serve printed.", "Cette adresse n'a pas de jeton : ouvrez l'adresse qu'affiche kolmctl serve."],
  controlledElsewhere: ["Another screen switches the relays; this one watches.", "Un autre \u00e9cran commande les relais ; celui-ci les regarde."],
  noVolts: ["No reading yet: start a capture of this channel, then read.", "Pas encore de lecture : d\u00e9marrez une mesure de cette voie, puis lisez."],
  samePoints: ["The two points need different volts.", "Les deux points doivent avoir des volts diff\u00e9rents."],
  badNumber: ["A number is needed.", "Il faut un nombre."],
  gapMark: ["gap", "trou"],
  missedMark: ["missed", "manqu\u00e9"],
  stopFirst: ["Stop the capture first: its files are made when it ends.", "Arr\u00eatez d'abord la mesure : ses fichiers sont faits \u00e0 la fin."],
  overrun: ["This screen fell behind the readings: its curve misses some, the downloads have them all.", "Cet \u00e9cran a pris du retard : sa courbe manque des lectures, les t\u00e9l\u00e9chargements les ont toutes."],
};
const LANG = (navigator.languages || [navigator.language || "en"]).some((l) => /^fr\b/i.test(l)) &&
  !/^en\b/i.test((navigator.languages || [""])[0]) ? "fr" : "en";
const T = Object.fromEntries(Object.entries(TEXTS).map(([key, texts]) => [key, texts[LANG === "fr" ? 1 : 0]]));
const COLOURS = ["#1565c0", "#c62828", "#2e7d32", "#6a1b9a"];
const TOKEN = new URLSearchParams(location.search).get("token") || "";
const CLIENT = Array.from(crypto.getRandomValues(new Uint8Array(12)), (b) => b.toString(16).padStart(2, "0")).join("");
const $ = (id) => document.getElementById(id);

// What the page knows: kolmctl's /api/info, and the capture as it arrived.
let info = null;
const capture = {
  channels: [], // the channels of the readings below, in their order
  t: [],        // seconds, one per row: a reading, or a break where slots were missed
  volts: [],    // one array per channel of `channels`: volts, null where there was no value
  lastSlot: -1,
  taken: 0, gaps: 0, missed: 0,
  marks: [],    // {t, text, colour}: relay switches, gaps and missed slots on the curve
};
const latest = new Map(); // channel -> the volts of its last readings (for two-point calibration)
let chart = null;
let chartKey = "";
let drawPending = false;

// ---- talking to kolmctl

async function api(method, path, body) {
  const headers = { "Authorization": "Bearer " + TOKEN, "X-Kolm-Client": CLIENT };
  if (body !== undefined && typeof body !== "string") {
    headers["Content-Type"] = "application/json";
    body = JSON.stringify(body);
  } else if (body !== undefined) {
    headers["Content-Type"] = "text/plain";
  }
  const response = await fetch(path, { method, headers, body, cache: "no-store" });
  const text = await response.text();
  let json = null;
  try { json = text ? JSON.parse(text) : null; } catch (e) { json = null; }
  if (!response.ok) {
    const error = new Error((json && json.error) || text || response.statusText);
    error.status = response.status;
    throw error;
  }
  return json;
}

function say(text, isError) {
  $("status").textContent = text;
  $("status").classList.toggle("error", !!isError);
}

function reportError(error) {
  say(error.status === 409 ? T.controlledElsewhere : error.message, true);
}

function withToken(path) {
  return path + (path.includes("?") ? "&" : "?") + "token=" + encodeURIComponent(TOKEN);
}

// Only the answer to the latest question is shown: an earlier one may come after it.
let infoAsked = 0;
async function loadInfo() {
  const asked = ++infoAsked;
  const answer = await api("GET", "/api/info");
  if (asked !== infoAsked) return;
  info = answer;
  showInfo();
}

function listen() {
  const stream = new EventSource(withToken("/api/stream") + "&client=" + CLIENT);
  stream.onopen = () => { loadInfo().then(firstCapture).then(() => say(""), reportError); };
  stream.onerror = () => say(T.lost, true);
  stream.onmessage = (e) => addReading(JSON.parse(e.data));
  stream.addEventListener("relay", (e) => relaySwitched(JSON.parse(e.data)));
  stream.addEventListener("capture", (e) => captureChanged(JSON.parse(e.data)));
  stream.addEventListener("overrun", () => say(T.overrun, true));
  stream.addEventListener("calibration", (e) => {
    info.channels = JSON.parse(e.data);
    showCalibrations();
    showReadout();
    rebuildChart();
  });
}

// The first page opened on a kolmctl that has taken nothing yet starts a capture of
// every channel at the page's rate: the curve is there at once.
let opened = false;
function firstCapture() {
  if (opened) return;
  opened = true;
  if (info.capture.running || info.capture.taken > 0) return;
  return startClicked();
}

// ---- readings

function startCapture(channels) {
  capture.channels = channels.slice();
  capture.t = [];
  capture.volts = channels.map(() => []);
  capture.lastSlot = -1;
  capture.taken = capture.gaps = capture.missed = 0;
  capture.marks = [];
  rebuildChart();
}

function addReading(r) {
  const channels = r.values.map((v) => v.channel);
  if (channels.join() !== capture.channels.join() || r.slot <= capture.lastSlot) startCapture(channels);
  if (capture.lastSlot >= 0 && r.slot > capture.lastSlot + 1) {
    // Slots kolmctl gave up: a break in the line where they would have been.
    const skipped = r.slot - capture.lastSlot - 1;
    const before = capture.t.length ? capture.t[capture.t.length - 1] : r.t;
    capture.missed += skipped;
    pushRow((before + r.t) / 2, capture.channels.map(() => null));
    capture.marks.push({ t: (before + r.t) / 2, text: T.missedMark, colour: "#e65100" });
  }
  capture.lastSlot = r.slot;
  capture.taken += 1;
  if (r.values.some((v) => v.gap)) {
    capture.gaps += 1;
    capture.marks.push({ t: r.t, text: T.gapMark, colour: "#b00020" });
  }
  pushRow(r.t, r.values.map((v) => (v.gap ? null : v.volts)));
  for (const v of r.values) {
    if (v.gap) continue;
    const recent = latest.get(v.channel) || [];
    recent.push(v.volts);
    if (recent.length > 10) recent.shift();
    latest.set(v.channel, recent);
  }
  showCounts();
  requestDraw();
}

function pushRow(t, values) {
  capture.t.push(t);
  values.forEach((v, i) => capture.volts[i].push(v));
}

function relaySwitched(e) {
  info.relays = e.relays;
  showRelays();
  const text = T.relay + " " + e.relay + " " + (e.on ? T.on : T.off);
  if (typeof e.t === "number") capture.marks.push({ t: e.t, text, colour: "#555" });
  requestDraw();
}

// A capture started, stopped or cleared. A new capture shows when its first reading
// comes (its slot starts again); a cleared one at once.
function captureChanged(e) {
  loadInfo().then(() => {
    if (!info.capture.running && info.capture.taken === 0) startCapture(capture.channels);
    showCounts();
    if (e.message) say(e.message, e.ending === "failed");
  }, reportError);
}

// ---- what the page shows

function calibrationOf(channel) {
  const c = info && info.channels.find((x) => x.number === channel);
  return (c && c.calibration) || null;
}

function nameOf(channel) {
  const c = info && info.channels.find((x) => x.number === channel);
  const cal = calibrationOf(channel);
  return (cal && cal.name) || (c && c.name) || "EA" + channel;
}

function unitOf(channel) {
  const cal = calibrationOf(channel);
  return cal ? cal.unit : "V";
}

// The channel's volts to its value: v -> a x v + b where it is calibrated.
function converter(channel) {
  const cal = calibrationOf(channel);
  return cal ? (v) => (v === null ? null : cal.a * v + cal.b) : (v) => v;
}

function valueOf(channel, volts) {
  return converter(channel)(volts);
}

function formatted(channel, value) {
  if (value === null || !isFinite(value)) return "\u2014";
  const digits = calibrationOf(channel) ? Math.max(0, 3 - Math.floor(Math.log10(Math.abs(value) || 1))) : 3;
  return value.toLocaleString(LANG, { minimumFractionDigits: Math.min(digits, 6), maximumFractionDigits: Math.min(digits, 6) });
}

function showInfo() {
  document.title = info.title;
  $("title").textContent = info.title;
  $("about").textContent = [info.file, info.virtual ? T.virtual : "", info.access].filter(Boolean).join(" \u2014 ");
  $("rate").max = info.max_rate;
  $("rate").title = T.maxRate(info.max_rate);
  const box = $("channels");
  if (box.querySelectorAll("input").length !== info.channels.length) {
    box.querySelectorAll("label").forEach((l) => l.remove());
    for (const c of info.channels) {
      const label = document.createElement("label");
      const input = document.createElement("input");
      input.type = "checkbox";
      input.id = "channel-" + c.number;
      input.value = c.number;
      // The channels of the capture kolmctl has, or every channel before the first.
      input.checked = !info.capture.channels.length || info.capture.channels.includes(c.number);
      label.append(input, " " + c.name);
      box.append(label);
    }
  }
  if (info.capture.running) $("rate").value = info.capture.rate;
  if (!capture.channels.length) startCapture(info.capture.channels);
  capture.taken = Math.max(capture.taken, info.capture.taken);
  capture.gaps = Math.max(capture.gaps, info.capture.gaps);
  capture.missed = Math.max(capture.missed, info.capture.missed);
  $("start").disabled = info.capture.running;
  $("stop").disabled = !info.capture.running;
  showRelays();
  showCalibrations();
  showReadout();
  showCounts();
  for (const [id, path] of [["csv-en", "/api/capture.csv?lang=en"], ["csv-fr", "/api/capture.csv?lang=fr"], ["svg", "/api/capture.svg"]])
    $(id).href = withToken(path);
}

function showCounts() {
  const running = info && info.capture.running ? T.running : T.stopped;
  $("counts").textContent = [running, T.taken(capture.taken), T.gaps(capture.gaps), T.missed(capture.missed)].join(" \u00b7 ");
}

// The last value of each channel of the capture, large, in its unit.
function showReadout() {
  const box = $("readout");
  const ids = capture.channels.map((c) => "value-" + c);
  if ([...box.children].map((d) => d.id).join() !== ids.join()) {
    box.textContent = "";
    for (const channel of capture.channels) {
      const div = document.createElement("div");
      div.className = "value";
      div.id = "value-" + channel;
      div.style.color = COLOURS[channel % COLOURS.length];
      const what = document.createElement("span");
      what.className = "what";
      div.append(what, document.createElement("span"));
      box.append(div);
    }
  }
  capture.channels.forEach((channel, i) => {
    const column = capture.volts[i];
    let volts = null;
    for (let k = column.length - 1; k >= 0 && volts === null; --k) volts = column[k];
    const [what, value] = box.children[i].children;
    what.textContent = nameOf(channel);
    value.textContent = formatted(channel, valueOf(channel, volts)) + " " + unitOf(channel);
  });
}

function showRelays() {
  const box = $("relay-buttons");
  if (box.children.length !== info.relays.length) {
    box.textContent = "";
    info.relays.forEach((_, k) => {
      const b = document.createElement("button");
      b.type = "button";
      b.className = "relay";
      b.id = "relay-" + k;
      b.addEventListener("click", () => switchRelay(k));
      box.append(b);
    });
  }
  info.relays.forEach((on, k) => {
    const b = $("relay-" + k);
    b.setAttribute("aria-pressed", on === true ? "true" : "false");
    b.classList.toggle("unknown", on === null);
    b.textContent = T.relay + " " + k + ": " + (on === null ? T.unknown : on ? T.on : T.off);
  });
  $("relay-note").textContent = info.controller === false ? T.controlledElsewhere : "";
}

async function switchRelay(k) {
  const on = info.relays[k] !== true;
  try {
    const answer = await api("PUT", "/api/relays/" + k, on ? "on" : "off");
    if (answer && answer.relays) info.relays = answer.relays;
    info.controller = true;
    showRelays();
  } catch (e) {
    if (e.status === 409) info.controller = false;
    showRelays();
    reportError(e);
  }
}

// ---- calibration

function showCalibrations() {
  const box = $("calibration-forms");
  for (const c of info.channels) {
    let form = $("calibration-" + c.number);
    if (!form) {
      form = calibrationForm(c.number);
      box.append(form);
    }
    if (form.contains(document.activeElement)) continue;
    const cal = c.calibration;
    form.elements.name.value = cal ? cal.name : "";
    form.elements.unit.value = cal ? cal.unit : "";
    form.elements.a.value = cal ? String(cal.a) : "1";
    form.elements.b.value = cal ? String(cal.b) : "0";
  }
}

function field(label, name, type) {
  const l = document.createElement("label");
  const input = document.createElement("input");
  input.name = name;
  input.type = type;
  if (type === "number") input.step = "any";
  l.append(label + " ", input);
  return l;
}

function calibrationForm(channel) {
  const form = document.createElement("form");
  form.className = "calibration-form";
  form.id = "calibration-" + channel;
  const title = document.createElement("strong");
  title.textContent = (info.channels.find((c) => c.number === channel) || {}).name || "EA" + channel;
  form.append(title, " ", field(T.name, "name", "text"), field(T.unit, "unit", "text"), field("a", "a", "number"),
    field("b", "b", "number"));
  const save = document.createElement("button");
  save.type = "submit";
  save.textContent = T.save;
  const remove = document.createElement("button");
  remove.type = "button";
  remove.textContent = T.remove;
  remove.addEventListener("click", () => api("DELETE", "/api/calibration/" + channel).then(() => loadInfo(), reportError));
  form.append(save, " ", remove);
  for (const p of [1, 2]) {
    const line = document.createElement("span");
    line.className = "point";
    const read = document.createElement("button");
    read.type = "button";
    read.textContent = T.readVolts;
    read.name = "read" + p;
    const volts = document.createElement("output");
    volts.name = "volts" + p;
    read.addEventListener("click", () => {
      const recent = latest.get(channel);
      if (!recent || !recent.length) return say(T.noVolts, true);
      volts.value = (recent.reduce((s, v) => s + v, 0) / recent.length).toFixed(4);
      volts.dataset.volts = volts.value;
    });
    line.append(T.point + " " + p + ": ", read, " ", volts, " V \u2192 ", field(T.value, "value" + p, "number"));
    form.append(line);
  }
  const compute = document.createElement("button");
  compute.type = "button";
  compute.name = "fromPoints";
  compute.textContent = T.fromPoints;
  compute.addEventListener("click", () => {
    const v1 = Number(form.elements.volts1.dataset.volts), v2 = Number(form.elements.volts2.dataset.volts);
    const y1 = form.elements.value1.valueAsNumber, y2 = form.elements.value2.valueAsNumber;
    if (!isFinite(v1) || !isFinite(v2) || !form.elements.volts1.dataset.volts || !form.elements.volts2.dataset.volts) return say(T.noVolts, true);
    if (!isFinite(y1) || !isFinite(y2)) return say(T.badNumber, true);
    if (v1 === v2) return say(T.samePoints, true);
    const a = (y2 - y1) / (v2 - v1);
    form.elements.a.value = String(Number(a.toPrecision(6)));
    form.elements.b.value = String(Number((y1 - a * v1).toPrecision(6)));
  });
  form.append(compute);
  form.addEventListener("submit", (e) => {
    e.preventDefault();
    const a = form.elements.a.valueAsNumber, b = form.elements.b.valueAsNumber;
    if (!isFinite(a) || !isFinite(b)) return say(T.badNumber, true);
    const body = { name: form.elements.name.value.trim(), unit: form.elements.unit.value.trim(), a, b };
    api("PUT", "/api/calibration/" + channel, body).then(() => { say(""); return loadInfo(); }).then(() => {
      showReadout();
      rebuildChart();
    }, reportError);
  });
  return form;
}

// ---- the chart

function rebuildChart() {
  const key = capture.channels.map((c) => c + unitOf(c) + nameOf(c)).join("|");
  if (chart && key === chartKey) return requestDraw();
  chartKey = key;
  if (chart) chart.destroy();
  const units = [...new Set(capture.channels.map(unitOf))];
  const width = Math.max(320, $("chart").clientWidth || 800);
  chart = new uPlot({
    width,
    height: 360,
    scales: { x: { time: false } },
    series: [{ label: "t (s)" }].concat(capture.channels.map((c) => ({
      label: nameOf(c) + " (" + unitOf(c) + ")", scale: unitOf(c), stroke: COLOURS[c % COLOURS.length], width: 2,
      spanGaps: false, points: { show: false },
    }))),
    axes: [{ label: "t (s)" }].concat(units.map((u, i) => ({
      scale: u, label: u, side: i === 0 ? 3 : 1, grid: { show: i === 0 },
    }))),
    hooks: { draw: [drawMarks] },
  }, shownData(width), $("chart"));
}

// The rows the chart shows: the window's (or the whole capture's), at most two per
// pixel column per channel (its lowest and highest value), in the channel's unit.
function shownData(width) {
  const t = capture.t;
  const seconds = Number($("window").value);
  let from = 0;
  if (seconds > 0 && t.length) {
    const first = t[t.length - 1] - seconds;
    let lo = 0, hi = t.length;
    while (lo < hi) { const mid = (lo + hi) >> 1; if (t[mid] < first) lo = mid + 1; else hi = mid; }
    from = lo;
  }
  const count = t.length - from;
  const columns = capture.channels.map((c, i) => ({ value: converter(c), v: capture.volts[i] }));
  const out = [[]].concat(columns.map(() => []));
  const buckets = Math.max(1, Math.floor(width));
  if (count <= 2 * buckets) {
    for (let k = from; k < t.length; ++k) {
      out[0].push(t[k]);
      columns.forEach(({ value, v }, i) => out[i + 1].push(value(v[k])));
    }
    return out;
  }
  const per = count / buckets;
  for (let b = 0; b < buckets; ++b) {
    const start = from + Math.floor(b * per), end = Math.min(t.length, from + Math.floor((b + 1) * per));
    if (end <= start) continue;
    out[0].push(t[start], t[end - 1]);
    columns.forEach(({ value, v }, i) => {
      let low = Infinity, high = -Infinity, broken = false;
      for (let k = start; k < end; ++k) {
        if (v[k] === null) { broken = true; continue; }
        const y = value(v[k]);
        if (y < low) low = y;
        if (y > high) high = y;
      }
      out[i + 1].push(low === Infinity ? null : low, broken || high === -Infinity ? null : high);
    });
  }
  return out;
}

function drawMarks(u) {
  const ctx = u.ctx;
  const [lo, hi] = [u.scales.x.min, u.scales.x.max];
  ctx.save();
  ctx.font = Math.round(11 * devicePixelRatio) + "px sans-serif";
  for (const m of capture.marks) {
    if (m.t < lo || m.t > hi) continue;
    const x = Math.round(u.valToPos(m.t, "x", true));
    ctx.strokeStyle = ctx.fillStyle = m.colour;
    ctx.setLineDash([4, 4]);
    ctx.beginPath();
    ctx.moveTo(x, u.bbox.top);
    ctx.lineTo(x, u.bbox.top + u.bbox.height);
    ctx.stroke();
    ctx.fillText(m.text, x + 3, u.bbox.top + 12 * devicePixelRatio);
  }
  ctx.restore();
}

function requestDraw() {
  if (drawPending) return;
  drawPending = true;
  requestAnimationFrame(() => {
    drawPending = false;
    if (!chart) return;
    chart.setData(shownData(chart.width));
    showReadout();
  });
}

function savePng() {
  if (!chart) return;
  // The chart's canvas with its legend's colours, on white (a canvas is transparent).
  const source = chart.ctx.canvas;
  const canvas = document.createElement("canvas");
  canvas.width = source.width;
  canvas.height = source.height;
  const ctx = canvas.getContext("2d");
  ctx.fillStyle = "#fff";
  ctx.fillRect(0, 0, canvas.width, canvas.height);
  ctx.drawImage(source, 0, 0);
  canvas.toBlob((blob) => {
    const a = document.createElement("a");
    a.href = URL.createObjectURL(blob);
    a.download = "capture.png";
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 10000);
  }, "image/png");
}

// ---- start

function startClicked() {
  const channels = [...document.querySelectorAll("#channels input:checked")].map((i) => Number(i.value));
  const body = { channels, rate: $("rate").valueAsNumber };
  const duration = $("duration").valueAsNumber;
  if (isFinite(duration) && duration > 0) body.duration = duration;
  if (!isFinite(body.rate)) return say(T.badNumber, true);
  if (info && body.rate > info.max_rate) return say(T.maxRate(info.max_rate), true);
  return api("POST", "/api/capture/start", body).then(() => { say(""); return loadInfo(); }, reportError);
}

function wire() {
  document.documentElement.lang = LANG;
  for (const el of document.querySelectorAll("[data-text]")) el.textContent = T[el.dataset.text];
  $("start").addEventListener("click", startClicked);
  $("stop").addEventListener("click", () => api("POST", "/api/capture/stop").then(loadInfo, reportError));
  $("clear").addEventListener("click", () => api("POST", "/api/capture/clear").then(() => {
    startCapture(capture.channels);
    return loadInfo();
  }, reportError));
  $("window").addEventListener("change", requestDraw);
  $("png").addEventListener("click", savePng);
  for (const id of ["csv-en", "csv-fr", "svg"]) {
    $(id).addEventListener("click", (e) => {
      if (info && info.capture.running) {
        e.preventDefault();
        say(T.stopFirst, true);
      }
    });
  }
  window.addEventListener("resize", () => { if (chart) chart.setSize({ width: $("chart").clientWidth, height: 360 }); });
  if (!TOKEN) return say(T.noToken, true);
  say(T.connecting);
  listen();
}

wire();
