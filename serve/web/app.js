"use strict";
// The dashboard: the live picture with the marks' identities, the colours with their limits
// (applied at once), the marks table and the rates. Everything comes from this service.

// The configuration panel's groups and rows, by the stored names of the limits.
const GROUPS = [
  { title: "Ajust de color", rows: [
    { label: "Lluminositat", min: "lMin", max: "lMax" },
    { label: "Ajust 1", min: "a1Min", max: "a1Max" },
    { label: "Ajust 2", min: "a2Min", max: "a2Max" },
  ] },
  { title: "Configuració avançada", rows: [
    { label: "Amplada objecte", min: "MinWidth", max: "MaxWidth" },
    { label: "Alçada objecte", min: "MinHeight", max: "MaxHeight" },
    { label: "Relació aspecte", min: "MinARatio" },
  ] },
];

const state = { colours: [], limits: {}, selected: 0, width: 0, height: 0, editing: false };
const $ = (id) => document.getElementById(id);

function say(text) { $("problem").textContent = text || ""; }

async function call(method, path, body) {
  const options = { method, headers: {} };
  if (body !== undefined) {
    options.headers["Content-Type"] = "application/json";
    options.body = JSON.stringify(body);
  }
  const answer = await fetch(path, options);
  const data = await answer.json().catch(() => ({}));
  if (!answer.ok) throw new Error(data.error || answer.statusText);
  return data;
}

function rateText(rate) { return rate.toFixed(2).padStart(4, " ") + " fps"; }

let sending = null;
function applyColours() {
  clearTimeout(sending);
  sending = setTimeout(async () => {
    try {
      await call("PUT", "/api/colours", { colours: state.colours });
      say("");
    } catch (error) { say(error.message); }
  }, 120);
}

function limitRow(colour, name, minLabel) {
  const row = document.createElement("div");
  row.className = "limit";
  const label = document.createElement("span");
  label.textContent = minLabel;
  const slider = document.createElement("input");
  slider.type = "range";
  const box = document.createElement("input");
  box.type = "number";
  for (const input of [slider, box]) {
    input.min = 0;
    input.max = state.limits[name];
    input.value = colour[name];
    input.dataset.field = name;
    input.setAttribute("aria-label", name);
    input.addEventListener("input", () => {
      const value = Math.max(0, Math.min(Number(input.value) || 0, state.limits[name]));
      colour[name] = value;
      slider.value = value;
      if (input !== box) box.value = value;
      applyColours();
    });
  }
  row.append(label, slider, box);
  return row;
}

function colourGroups(colour, holder) {
  for (const group of GROUPS) {
    const box = document.createElement("fieldset");
    box.className = "group";
    const legend = document.createElement("legend");
    legend.textContent = group.title;
    box.append(legend);
    for (const row of group.rows) {
      const title = document.createElement("div");
      title.className = "rowTitle";
      title.textContent = row.label;
      box.append(title, limitRow(colour, row.min, "Min"));
      if (row.max) box.append(limitRow(colour, row.max, "Max"));
    }
    holder.append(box);
  }
}

function colourPanel(colour, index) {
  const panel = $("colourTemplate").content.firstElementChild.cloneNode(true);
  const pick = panel.querySelector("input[type=radio]");
  pick.checked = index === state.selected;
  pick.addEventListener("change", () => { state.selected = index; });
  const name = panel.querySelector(".name");
  name.value = colour.name;
  name.addEventListener("change", () => { colour.name = name.value.trim(); applyColours(); });
  const display = panel.querySelector(".display");
  display.value = colour.display.toLowerCase();
  display.addEventListener("input", () => { colour.display = display.value.toUpperCase(); applyColours(); });
  const remove = panel.querySelector(".remove");
  remove.disabled = state.colours.length < 2;
  remove.addEventListener("click", () => {
    state.colours.splice(index, 1);
    state.selected = Math.min(state.selected, state.colours.length - 1);
    showColours();
    applyColours();
  });
  colourGroups(colour, panel.querySelector(".groups"));
  return panel;
}

function showColours() {
  const holder = $("colours");
  holder.replaceChildren(...state.colours.map(colourPanel));
  $("addColour").disabled = state.colours.length >= state.limits.colours;
}

function freeName() {
  for (let n = state.colours.length + 1; ; ++n) {
    const name = "color" + n;
    if (!state.colours.some((c) => c.name === name)) return name;
  }
}

$("addColour").addEventListener("click", () => {
  const colour = { ...state.colours[state.colours.length - 1], name: freeName(), display: "#00FF00" };
  state.colours.push(colour);
  state.selected = state.colours.length - 1;
  showColours();
  applyColours();
});

$("save").addEventListener("click", async () => {
  try {
    await call("POST", "/api/save", {});
    say("Ajustos guardats");
  } catch (error) { say(error.message); }
});

$("stream").addEventListener("click", async (event) => {
  const img = event.currentTarget;
  const rect = img.getBoundingClientRect();
  const x = Math.floor((event.clientX - rect.left) * img.naturalWidth / rect.width);
  const y = Math.floor((event.clientY - rect.top) * img.naturalHeight / rect.height);
  const colour = state.colours[state.selected];
  if (!colour) return;
  try {
    await call("POST", "/api/calibrate", { colour: colour.name, x, y });
    setTimeout(loadColours, 300);  // the limits it learnt on the next frame
  } catch (error) { say(error.message); }
});

function showMarks(frame) {
  const body = $("marks").tBodies[0];
  body.replaceChildren(...frame.marks.map((m) => {
    const row = document.createElement("tr");
    for (const value of [m.id, m.colour, m.center[0].toFixed(1), m.center[1].toFixed(1),
                         m.pixels, m.angle.toFixed(0), m.age, m.lost]) {
      const cell = document.createElement("td");
      cell.textContent = value;
      row.append(cell);
    }
    if (m.lost > 0) row.className = "lost";
    return row;
  }));
  const overlay = $("overlay");
  const img = $("stream");
  if (img.naturalWidth) overlay.setAttribute("viewBox", `0 0 ${img.naturalWidth} ${img.naturalHeight}`);
  overlay.replaceChildren(...frame.marks.filter((m) => m.lost === 0).map((m) => {
    const text = document.createElementNS("http://www.w3.org/2000/svg", "text");
    text.setAttribute("x", m.box[0]);
    text.setAttribute("y", Math.max(m.box[1] - 3, 12));
    text.textContent = m.id;
    return text;
  }));
}

async function loadColours() {
  const data = await call("GET", "/api/colours");
  state.colours = data.colours;
  state.selected = Math.min(state.selected, state.colours.length - 1);
  showColours();
}

async function loadStatus() {
  try {
    const status = await call("GET", "/api/status");
    $("source").textContent = status.source + (status.live ? "" : " (sense imatge)");
    $("trackRate").textContent = rateText(status.trackingRate);
    $("jpegRate").textContent = rateText(status.jpegRate);
  } catch (error) { say(error.message); }
}

async function start() {
  // Set here rather than in the page: a stream that never ends would keep the page loading.
  $("stream").src = "/stream.mjpg";
  try {
    state.limits = await call("GET", "/api/limits");
    await loadColours();
  } catch (error) { say(error.message); }
  loadStatus();
  setInterval(loadStatus, 1000);
  const events = new EventSource("/api/events");
  events.onmessage = (event) => showMarks(JSON.parse(event.data));
}

window.addEventListener("load", start);
