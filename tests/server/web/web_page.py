# The label server's web page in a real browser (headless Chromium through
# Selenium) against a real vellumo-server: signing in, finding a label by
# search, a variable typed in redrawing the preview, a PDF downloaded and
# read back by poppler, names that look like HTML shown as text, the
# session cookie's flags, what the page's session may not do without its
# header, and printing to a fake thermal printer on a loopback port.
import base64
import glob
import hashlib
import http.client
import json
import os
import subprocess
import socket
import sys
import threading

from selenium import webdriver
from selenium.common.exceptions import NoAlertPresentException, TimeoutException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

import peer

BIN = sys.argv[1]
work = peer.temp_dir("vellumo-web-")
users = os.path.join(work, "users")
with open(users, "w") as f:
    f.write("anna:secret\n")
downloads = os.path.join(work, "downloads")
os.makedirs(downloads)
HOSTILE = "<script>alert(1)</script>"
HOSTILE_VARIABLE = "<img src=x onerror=alert(2)>"


def browser(language):
    o = webdriver.ChromeOptions()
    o.binary_location = "/usr/bin/chromium"
    for a in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu",
              "--lang=" + language, "--window-size=1200,900"):
        o.add_argument(a)
    o.add_experimental_option("prefs", {"intl.accept_languages": language,
                                        "download.default_directory": downloads,
                                        "download.prompt_for_download": False})
    d = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=o)
    d.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
    return d


def wait(d, what, timeout=60):
    return WebDriverWait(d, timeout, poll_frequency=0.1).until(lambda _: what())


def no_alert(d):
    try:
        text = d.switch_to.alert.text
    except NoAlertPresentException:
        return
    raise AssertionError("the page ran a script: alert(%r)" % text)


def preview_pixels(d):
    """The preview image's pixels as the page shows them (a blob: URL, which
    the page's policy lets no script fetch), drawn on a canvas."""
    url = d.execute_script("""
        const img = document.getElementById('preview');
        const c = document.createElement('canvas');
        c.width = img.naturalWidth; c.height = img.naturalHeight;
        c.getContext('2d').drawImage(img, 0, 0);
        return c.toDataURL('image/png');""")
    assert url.startswith("data:image/png;base64,"), url[:50]
    return base64.b64decode(url.split(",", 1)[1])


def visible_labels(d):
    return [b.get_attribute("data-name") for b in d.find_elements(By.CSS_SELECTOR, "#labels button")]


def post(s, path, body, headers):
    c = http.client.HTTPConnection(s.addr[0], s.addr[1], timeout=60)
    c.request("POST", path, body=json.dumps(body).encode(), headers=dict(headers, **{"Content-Type": "application/json"}))
    r = c.getresponse()
    data = r.read()
    c.close()
    return r.status, data


def get(s, path, headers):
    c = http.client.HTTPConnection(s.addr[0], s.addr[1], timeout=60)
    c.request("GET", path, headers=headers)
    r = c.getresponse()
    data = r.read()
    c.close()
    return r.status, data


class Printer:
    """A thermal printer on a loopback port: the bytes of each connection."""

    def __init__(self):
        self.jobs = []
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(4)
        self.port = self.sock.getsockname()[1]
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while True:
            c, _ = self.sock.accept()
            data = b""
            while True:
                chunk = c.recv(65536)
                if not chunk:
                    break
                data += chunk
            c.close()
            self.jobs.append(data)


printer = Printer()
printers = os.path.join(work, "printers.conf")
with open(printers, "w") as f:
    f.write("[Упаковка]\naddress = socket://127.0.0.1:%d\nlanguage = zpl\ndpi = 203\n" % printer.port)
args = ["--users", users, "--printers", printers]
with peer.Server(BIN, args=args) as s:
    rpc = s.proxy()
    cred = {"user": "anna", "passwd": "secret"}
    for lab in (peer.label("Ценник", [peer.element("text", 8, 40, 250, 30, "Товар: ${name}", size=18.0),
                                      peer.element("text", 8, 8, 250, 20, "${#} ${name}")],
                           width=288.0, height=90.0, desc="полка"),
                peer.label("Коробка", [peer.element("text", 8, 8, 150, 20, "${box}")]),
                peer.label(HOSTILE, [peer.element("text", 8, 8, 150, 20, "${" + HOSTILE_VARIABLE + "}")],
                           desc="<b>жирный?</b>")):
        assert rpc.labels.save_label(cred, lab)
    base = "http://%s:%d" % s.addr

    d = browser("ru-RU")
    try:
        d.get(base + "/")
        # Russian for a Russian browser; signed out, the form first.
        wait(d, lambda: d.find_element(By.ID, "login").is_displayed())
        assert d.find_element(By.ID, "sign-in").text == "Войти", d.find_element(By.ID, "sign-in").text
        d.find_element(By.ID, "user").send_keys("anna")
        d.find_element(By.ID, "password").send_keys("wrong")
        d.find_element(By.ID, "sign-in").click()
        wait(d, lambda: d.find_element(By.ID, "login-error").text == "Неверное имя пользователя или пароль")
        assert not d.get_cookies(), d.get_cookies()
        d.find_element(By.ID, "password").send_keys("secret")
        d.find_element(By.ID, "sign-in").click()
        wait(d, lambda: len(visible_labels(d)) == 3)

        # The cookie: HttpOnly (no script reads it), SameSite=Strict.
        cookie = [c for c in d.get_cookies() if c["name"] == "vellumo_session"]
        assert len(cookie) == 1 and cookie[0]["httpOnly"] and cookie[0]["sameSite"] == "Strict", d.get_cookies()
        assert cookie[0]["path"] == "/" and not cookie[0]["secure"], cookie
        assert "vellumo_session" not in d.execute_script("return document.cookie"), d.execute_script(
            "return document.cookie")
        jar = {"Cookie": "vellumo_session=" + cookie[0]["value"]}

        # Names that look like HTML are text: nothing runs, nothing is made.
        search = d.find_element(By.ID, "search")
        search.send_keys("script")
        wait(d, lambda: visible_labels(d) == [HOSTILE])
        hostile = d.find_element(By.CSS_SELECTOR, "#labels button")
        assert hostile.text.splitlines() == [HOSTILE, "<b>жирный?</b>"], hostile.text
        hostile.click()
        wait(d, lambda: d.find_element(By.ID, "label-name").text == HOSTILE)
        captions = [e.text for e in d.find_elements(By.CSS_SELECTOR, "#variables label span")]
        assert captions == [HOSTILE_VARIABLE], captions
        assert not d.find_elements(By.CSS_SELECTOR, "main script, main img:not(#preview), main b")
        no_alert(d)

        # The search filters as it is typed, by name and description.
        search.clear()
        search.send_keys("ПОЛ")
        wait(d, lambda: visible_labels(d) == ["Ценник"])
        search.clear()
        search.send_keys("цен")
        wait(d, lambda: visible_labels(d) == ["Ценник"])
        d.find_element(By.CSS_SELECTOR, "#labels button").click()
        wait(d, lambda: d.find_element(By.ID, "label-name").text == "Ценник")
        inputs = d.find_elements(By.CSS_SELECTOR, "#variables input")
        assert [i.get_attribute("data-name") for i in inputs] == ["name"], inputs  # ${#} is a counter

        # Typing redraws the preview (after a pause), a PNG each time.
        preview = d.find_element(By.ID, "preview")
        wait(d, lambda: preview.get_attribute("data-state") == "ready")
        before = preview_pixels(d)
        first_src = preview.get_attribute("src")
        assert first_src.startswith("blob:"), first_src
        inputs[0].send_keys("Чай зелёный")
        wait(d, lambda: preview.get_attribute("src") != first_src and preview.get_attribute("data-state") == "ready")
        after = preview_pixels(d)
        assert hashlib.sha256(after).digest() != hashlib.sha256(before).digest()
        width = d.execute_script("return document.getElementById('preview').naturalWidth")
        assert 500 <= width <= 700, width  # about 600 pixels for 4 inches

        # The PDF as downloaded, its text read back by poppler.
        d.find_element(By.ID, "pdf").click()
        try:
            pdf = wait(d, lambda: [p for p in glob.glob(os.path.join(downloads, "*.pdf"))
                                   if os.path.getsize(p) > 0], timeout=60)[0]
        except TimeoutException:
            raise AssertionError("no PDF downloaded: %r" % os.listdir(downloads))
        assert os.path.basename(pdf) == "Ценник.pdf", pdf
        text = subprocess.run(["pdftotext", pdf, "-"], capture_output=True, check=True).stdout.decode()
        assert "Товар: Чай зелёный" in text and "1 Чай зелёный" in text, text
        d.find_element(By.ID, "png").click()
        png = wait(d, lambda: glob.glob(os.path.join(downloads, "Ценник.png")))[0]
        wait(d, lambda: open(png, "rb").read(8) == b"\x89PNG\r\n\x1a\n")

        # The browser's cookie from another program: reading works, changing
        # needs the page's header.
        render = {"label": "Ценник", "format": "png", "variables": {"name": "x"}}
        status, data = post(s, "/api/v1/render", render, jar)
        assert status == 403 and json.loads(data)["error"]["code"] == "forbidden", (status, data)
        status, data = post(s, "/api/v1/render", render, dict(jar, **{"X-Requested-With": "vellumo"}))
        assert status == 200 and data.startswith(b"\x89PNG"), (status, data[:100])

        # Printing: the server's printers to choose from, the job followed
        # until the printer has taken it.
        wait(d, lambda: d.find_element(By.ID, "print-box").is_displayed())
        options = [o.text for o in d.find_elements(By.CSS_SELECTOR, "#printer option")]
        assert options == ["Упаковка (thermal)"], options
        copies = d.find_element(By.ID, "copies")
        copies.clear()
        copies.send_keys("0")
        d.find_element(By.ID, "print").click()
        state = d.find_element(By.ID, "job-state")
        assert state.text == "Копий — целое число от 1 до 1000" and not printer.jobs, state.text
        copies.clear()
        copies.send_keys("2")
        d.find_element(By.ID, "print").click()
        wait(d, lambda: state.get_attribute("data-state") in ("done", "failed", "refused"), timeout=120)
        assert state.get_attribute("data-state") == "done" and "напечатано, 2 из 2" in state.text, state.text
        assert len(printer.jobs) == 1 and printer.jobs[0].count(b"^XA") == 2, printer.jobs
        # A print by the cookie alone is refused like any change.
        status, data = post(s, "/api/v1/print", {"label": "Ценник", "printer": "Упаковка"}, jar)
        assert status == 403 and len(printer.jobs) == 1, (status, data)

        # Signing out ends the session for everyone holding its token.
        d.find_element(By.ID, "logout").click()
        wait(d, lambda: d.find_element(By.ID, "login").is_displayed())
        assert get(s, "/api/v1/labels", jar)[0] == 401
        d.refresh()
        wait(d, lambda: d.find_element(By.ID, "login").is_displayed())
        no_alert(d)
    finally:
        d.quit()

    # The page's own headers: no frames, no inline or foreign scripts.
    c = http.client.HTTPConnection(s.addr[0], s.addr[1], timeout=60)
    c.request("GET", "/")
    r = c.getresponse()
    page = r.read().decode()
    policy = r.getheader("Content-Security-Policy")
    assert "default-src 'self'" in policy and "frame-ancestors 'none'" in policy, policy
    assert "unsafe-inline" not in policy and r.getheader("X-Frame-Options") == "DENY", r.getheaders()
    assert "<script>" not in page and 'src="app.js"' in page, page
# English for any other language; a server without printers shows no
# printing.
with peer.Server(BIN) as s:
    d = browser("de-DE")
    try:
        d.get("http://%s:%d/" % s.addr)
        wait(d, lambda: d.find_element(By.ID, "login").is_displayed())
        assert d.find_element(By.ID, "sign-in").text == "Sign in", d.find_element(By.ID, "sign-in").text
        assert d.execute_script("return document.documentElement.lang") == "en"
        d.find_element(By.ID, "user").send_keys("anyone")
        d.find_element(By.ID, "sign-in").click()
        wait(d, lambda: d.find_element(By.ID, "app").get_attribute("data-loaded") == "yes")
        assert d.find_element(By.ID, "labels-note").text == "The server holds no labels"
        assert not d.find_element(By.ID, "print-box").is_displayed()
    finally:
        d.quit()
print("ok")
