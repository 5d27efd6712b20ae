// The label server's web page: sign in, find a label, fill in its
// variables, watch the preview, download the label as PDF or PNG, print it
// on one of the server's printers.  Everything goes through the JSON
// interface (/api/v1/…) with the session cookie and the header
// "X-Requested-With: vellumo".
//
// Nothing a person typed or the server sent is put into the page as HTML:
// texts go in through textContent and elements made by createElement.
"use strict";

(function () {
  const TEXTS = {
    ru: {
      signInTitle: "Вход", user: "Пользователь", password: "Пароль", signIn: "Войти", signOut: "Выйти",
      signedInAs: "Пользователь: ", search: "Поиск этикетки", noLabels: "На сервере нет этикеток",
      noMatch: "Ни одна этикетка не подходит", noVariables: "В этикетке нет переменных",
      variablesTitle: "Переменные", downloadPdf: "Скачать PDF", downloadPng: "Скачать PNG",
      printTitle: "Печать", printer: "Принтер", copies: "Копий", print: "Печатать",
      previewBusy: "Рисуется…", previewFailed: "Предпросмотр не нарисован: ",
      wrongCredentials: "Неверное имя пользователя или пароль", sessionOver: "Сеанс закончился, войдите снова",
      offline: "Сервер не отвечает", failed: "Ошибка ", badCopies: "Копий — целое число от 1 до 1000",
      noPrinters: "У сервера нет принтеров", sending: "Отправляется…",
      job: "Задание ", queued: "в очереди", printing: "печатается", done: "напечатано", jobFailed: "не напечатано",
      of: " из ", labels: " этикеток",
    },
    en: {
      signInTitle: "Sign in", user: "User", password: "Password", signIn: "Sign in", signOut: "Sign out",
      signedInAs: "Signed in as ", search: "Find a label", noLabels: "The server holds no labels",
      noMatch: "No label matches", noVariables: "The label has no variables",
      variablesTitle: "Variables", downloadPdf: "Download PDF", downloadPng: "Download PNG",
      printTitle: "Print", printer: "Printer", copies: "Copies", print: "Print",
      previewBusy: "Drawing…", previewFailed: "The preview was not drawn: ",
      wrongCredentials: "Wrong user name or password", sessionOver: "Your session has ended; sign in again",
      offline: "The server does not answer", failed: "Error ", badCopies: "Copies: a whole number from 1 to 1000",
      noPrinters: "The server has no printers", sending: "Sending…",
      job: "Job ", queued: "queued", printing: "printing", done: "printed", jobFailed: "failed",
      of: " of ", labels: " labels",
    },
  };

  // Russian for the browser's first language when it is Russian,
  // Ukrainian, Belarusian or Kazakh; English otherwise.
  function pickLanguage(languages) {
    const first = String((languages && languages[0]) || "").toLowerCase().split("-")[0];
    return ["ru", "uk", "be", "kk"].includes(first) ? "ru" : "en";
  }
  const LANG = pickLanguage(navigator.languages && navigator.languages.length ? navigator.languages
                                                                               : [navigator.language]);
  const T = TEXTS[LANG];

  const $ = (id) => document.getElementById(id);
  const PREVIEW_DELAY_MS = 300;
  const JOB_POLL_MS = 1000;

  const state = {
    labels: [],        // [{name, description}]
    chosen: null,      // the chosen label's name
    names: [],         // its variables' names
    width: 0,          // its width in points
    chooseSeq: 0,      // the latest choice (an older answer is dropped)
    previewSeq: 0,     // the latest preview asked for
    previewTimer: 0,
    previewUrl: "",
    jobTimer: 0,
  };

  class ApiError extends Error {
    constructor(status, message) {
      super(message);
      this.status = status;
    }
  }

  // One call of the JSON interface: the answer's JSON (or its bytes as a
  // Blob), or an ApiError with the server's message.  401 outside signing
  // in means the session is over.
  async function api(method, path, body, asBlob) {
    const init = { method, headers: { "X-Requested-With": "vellumo" }, credentials: "same-origin" };
    if (body !== undefined) {
      init.headers["Content-Type"] = "application/json";
      init.body = JSON.stringify(body);
    }
    let r;
    try {
      r = await fetch(path, init);
    } catch (e) {
      throw new ApiError(0, T.offline);
    }
    if (!r.ok) {
      let message = T.failed + r.status;
      try {
        const j = await r.json();
        if (j && j.error && typeof j.error.message === "string") message = j.error.message;
      } catch (e) { /* not JSON: keep the status */ }
      if (r.status === 401 && path !== "/api/v1/session") {
        showLogin(T.sessionOver);
      }
      throw new ApiError(r.status, message);
    }
    return asBlob ? r.blob() : r.json();
  }

  function say(text) {
    $("status").textContent = text || "";
  }

  function clear(node) {
    while (node.firstChild) node.removeChild(node.firstChild);
  }

  // --------------------------------------------------------- signing in

  function showLogin(message) {
    stopJobPolling();
    $("app").hidden = true;
    $("logout").hidden = true;
    $("who").textContent = "";
    $("login").hidden = false;
    $("login-error").textContent = message || "";
    $("password").value = "";
    $("user").focus();
  }

  async function showApp(user) {
    $("login").hidden = true;
    $("login-error").textContent = "";
    $("app").hidden = false;
    $("logout").hidden = false;
    $("who").textContent = T.signedInAs + user;
    say("");
    delete $("app").dataset.loaded;
    await Promise.all([loadLabels(), loadPrinters()]);
    $("app").dataset.loaded = "yes";
  }

  async function signIn(event) {
    event.preventDefault();
    $("sign-in").disabled = true;
    try {
      const answer = await api("POST", "/api/v1/session", { user: $("user").value, password: $("password").value });
      $("password").value = "";
      await showApp(answer.user);
    } catch (e) {
      $("password").value = "";
      $("login-error").textContent = e.status === 401 ? T.wrongCredentials : e.message;
    } finally {
      $("sign-in").disabled = false;
    }
  }

  async function signOut() {
    try {
      await api("DELETE", "/api/v1/session");
    } catch (e) { /* signed out either way */ }
    forgetLabel();
    showLogin("");
  }

  // --------------------------------------------------------- the labels

  async function loadLabels() {
    try {
      const list = await api("GET", "/api/v1/labels");
      state.labels = Array.isArray(list) ? list.filter((l) => l && typeof l.name === "string") : [];
    } catch (e) {
      state.labels = [];
      say(e.message);
    }
    showLabels();
  }

  function showLabels() {
    const query = $("search").value.trim().toLocaleLowerCase();
    const list = $("labels");
    clear(list);
    let shown = 0;
    for (const l of state.labels) {
      const description = typeof l.description === "string" ? l.description : "";
      if (query && !l.name.toLocaleLowerCase().includes(query) && !description.toLocaleLowerCase().includes(query))
        continue;
      const item = document.createElement("li");
      const button = document.createElement("button");
      button.type = "button";
      button.textContent = l.name;
      button.dataset.name = l.name;
      if (l.name === state.chosen) button.classList.add("chosen");
      if (description) {
        const small = document.createElement("small");
        small.textContent = description;
        button.appendChild(small);
      }
      button.addEventListener("click", () => chooseLabel(l.name, description));
      item.appendChild(button);
      list.appendChild(item);
      ++shown;
    }
    $("labels-note").textContent = shown ? "" : state.labels.length ? T.noMatch : T.noLabels;
  }

  // The ${name}s of the label's enabled texts, barcodes and picture file
  // names, each once, in order; counters (${#…}) are the server's.
  function variableNames(label) {
    const names = [];
    const fields = label && Array.isArray(label.fields) ? label.fields : [];
    for (const f of fields) {
      if (!f || f.enabled === false) continue;
      let text = "";
      if ((f.type === "text" || f.type === "barcode") && typeof f.value === "string") text = f.value;
      else if (f.type === "drawing" && typeof f.file === "string") text = f.file;
      for (const m of text.matchAll(/\$\{([^}]*)\}/g)) {
        const name = m[1];
        if (name && !name.startsWith("#") && !names.includes(name)) names.push(name);
      }
    }
    return names;
  }

  function forgetLabel() {
    state.chosen = null;
    state.names = [];
    ++state.chooseSeq;
    ++state.previewSeq;
    clearTimeout(state.previewTimer);
    if (state.previewUrl) URL.revokeObjectURL(state.previewUrl);
    state.previewUrl = "";
    $("preview").removeAttribute("src");
    $("label-pane").hidden = true;
  }

  async function chooseLabel(name, description) {
    const seq = ++state.chooseSeq;
    let label;
    try {
      label = await api("GET", "/api/v1/labels/" + encodeURIComponent(name));
    } catch (e) {
      say(e.message);
      return;
    }
    if (seq !== state.chooseSeq) return;
    say("");
    state.chosen = name;
    state.names = variableNames(label);
    state.width = label ? Number(label.width) : 0;
    for (const b of $("labels").querySelectorAll("button")) b.classList.toggle("chosen", b.dataset.name === name);
    $("label-name").textContent = name;
    $("label-desc").textContent = description;
    const form = $("variables");
    clear(form);
    if (!state.names.length) {
      const p = document.createElement("p");
      p.className = "note";
      p.textContent = T.noVariables;
      form.appendChild(p);
    }
    for (const n of state.names) {
      const row = document.createElement("label");
      const caption = document.createElement("span");
      caption.textContent = n;
      const input = document.createElement("input");
      input.dataset.name = n;
      input.addEventListener("input", schedulePreview);
      row.appendChild(caption);
      row.appendChild(input);
      form.appendChild(row);
    }
    $("job-state").textContent = "";
    $("label-pane").hidden = false;
    drawPreview();
  }

  function variables() {
    const out = {};
    for (const input of $("variables").querySelectorAll("input")) out[input.dataset.name] = input.value;
    return out;
  }

  // --------------------------------------------------------- the preview

  function schedulePreview() {
    clearTimeout(state.previewTimer);
    state.previewTimer = setTimeout(drawPreview, PREVIEW_DELAY_MS);
  }

  // About 600 pixels across for the label's width in points.
  function previewDpi() {
    const w = state.width;
    return Number.isFinite(w) && w > 0 ? Math.max(30, Math.min(300, Math.round((600 * 72) / w))) : 150;
  }

  async function drawPreview() {
    if (!state.chosen) return;
    const seq = ++state.previewSeq;
    const img = $("preview");
    img.dataset.state = "busy";
    $("preview-state").textContent = T.previewBusy;
    try {
      const blob = await api("POST", "/api/v1/render",
                             { label: state.chosen, format: "png", dpi: previewDpi(), variables: variables() }, true);
      if (seq !== state.previewSeq) return;
      if (state.previewUrl) URL.revokeObjectURL(state.previewUrl);
      state.previewUrl = URL.createObjectURL(blob);
      img.onload = () => {
        if (seq === state.previewSeq) img.dataset.state = "ready";
      };
      img.src = state.previewUrl;
      $("preview-state").textContent = "";
    } catch (e) {
      if (seq !== state.previewSeq) return;
      img.dataset.state = "failed";
      $("preview-state").textContent = T.previewFailed + e.message;
    }
  }

  // --------------------------------------------------------- downloads

  // A file name from the label's name: characters that file systems or
  // the browser refuse become "_".
  function fileName(name, extension) {
    const base = name.replace(/[\u0000-\u001f\u007f\/\\:*?"<>|]/g, "_").replace(/^[.\s]+/, "").slice(0, 120);
    return (base || "label") + "." + extension;
  }

  async function download(format) {
    if (!state.chosen) return;
    const name = state.chosen;
    const button = $(format);
    button.disabled = true;
    try {
      const blob = await api("POST", "/api/v1/render",
                             { label: name, format: format, dpi: 300, variables: variables() }, true);
      const url = URL.createObjectURL(blob);
      const a = document.createElement("a");
      a.href = url;
      a.download = fileName(name, format);
      document.body.appendChild(a);
      a.click();
      a.remove();
      setTimeout(() => URL.revokeObjectURL(url), 60000);
      say("");
    } catch (e) {
      say(e.message);
    } finally {
      button.disabled = false;
    }
  }

  // --------------------------------------------------------- printing

  async function loadPrinters() {
    const select = $("printer");
    clear(select);
    let printers = [];
    try {
      printers = await api("GET", "/api/v1/printers");
    } catch (e) {
      // A server without printing (404) shows no printing at all.
      $("print-box").hidden = true;
      return;
    }
    if (!Array.isArray(printers)) printers = [];
    for (const p of printers) {
      if (!p || typeof p.name !== "string") continue;
      const option = document.createElement("option");
      option.value = p.name;
      option.textContent = typeof p.kind === "string" ? p.name + " (" + p.kind + ")" : p.name;
      select.appendChild(option);
    }
    $("print-box").hidden = false;
    $("print").disabled = !select.options.length;
    $("job-state").textContent = select.options.length ? "" : T.noPrinters;
  }

  function stopJobPolling() {
    clearTimeout(state.jobTimer);
    state.jobTimer = 0;
  }

  function showJob(id, job) {
    const words = { queued: T.queued, printing: T.printing, done: T.done, failed: T.jobFailed };
    let text = T.job + id + ": " + (words[job.state] || String(job.state));
    if (Number.isFinite(job.printed) && Number.isFinite(job.labels))
      text += ", " + job.printed + T.of + job.labels + T.labels;
    if (typeof job.error === "string" && job.error) text += " — " + job.error;
    const line = $("job-state");
    line.textContent = text;
    line.dataset.state = String(job.state);
  }

  async function pollJob(id) {
    let job;
    try {
      job = await api("GET", "/api/v1/jobs/" + encodeURIComponent(id));
    } catch (e) {
      $("job-state").textContent = e.message;
      return;
    }
    showJob(id, job || {});
    if (job && (job.state === "queued" || job.state === "printing"))
      state.jobTimer = setTimeout(() => pollJob(id), JOB_POLL_MS);
  }

  async function print() {
    if (!state.chosen) return;
    const copiesText = $("copies").value.trim();
    const copies = Number(copiesText);
    if (!/^\d+$/.test(copiesText) || copies < 1 || copies > 1000) {
      $("job-state").textContent = T.badCopies;
      return;
    }
    stopJobPolling();
    const line = $("job-state");
    line.textContent = T.sending;
    line.dataset.state = "sending";
    $("print").disabled = true;
    try {
      const answer = await api("POST", "/api/v1/print",
                               { label: state.chosen, printer: $("printer").value, variables: variables(), copies });
      await pollJob(String(answer.job));
    } catch (e) {
      line.textContent = e.message;
      line.dataset.state = "refused";
    } finally {
      $("print").disabled = false;
    }
  }

  // --------------------------------------------------------- start

  function start() {
    document.documentElement.lang = LANG;
    for (const node of document.querySelectorAll("[data-t]")) node.textContent = T[node.dataset.t] || "";
    $("search").placeholder = T.search;
    $("search").setAttribute("aria-label", T.search);
    $("variables").setAttribute("aria-label", T.variablesTitle);
    $("login").addEventListener("submit", signIn);
    $("logout").addEventListener("click", signOut);
    $("search").addEventListener("input", showLabels);
    $("variables").addEventListener("submit", (e) => e.preventDefault());
    $("pdf").addEventListener("click", () => download("pdf"));
    $("png").addEventListener("click", () => download("png"));
    $("print").addEventListener("click", print);
    api("GET", "/api/v1/session").then((a) => showApp(a.user), () => showLogin(""));
  }

  start();
})();
