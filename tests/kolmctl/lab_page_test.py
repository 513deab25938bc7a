#!/usr/bin/env python3
"""kolmctl serve's page in a real browser (Debian's chromium, headless, driven by
selenium) against the virtual box: one table of scenarios, run in order on one page.
Skips where chromium is not installed (bash scripts/setup.sh installs it).

  lab_page_test.py --kolmctl KOLMCTL --plugin kolmsim.so --work DIR [--screenshot PNG]
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys

# Channel 0 constant; channel 1 a capacitor charged through a resistor by relay 2.
SIGNALS = """[channel0]
signal=constant
offset=2.5
[channel1]
signal=rc
tau=0.4
supply=5
relay=2
"""
RATE = 10
WAIT = 30  # seconds any one thing may take on a loaded machine before the test gives up


def main():
    options = argparse.ArgumentParser()
    options.add_argument("--kolmctl", required=True)
    options.add_argument("--plugin", required=True)
    options.add_argument("--work", required=True)
    options.add_argument("--screenshot")
    a = options.parse_args()
    if not shutil.which("chromium"):
        print("SKIPPED: no chromium (bash scripts/setup.sh installs chromium, chromium-driver and python3-selenium)")
        return 0
    global webdriver, By, WebDriverWait
    from selenium import webdriver
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait

    shutil.rmtree(a.work, ignore_errors=True)
    box = os.path.join(a.work, "box")
    os.makedirs(os.path.join(a.work, "home"))
    os.makedirs(box)
    plugin = shutil.copy(a.plugin, box)
    with open(os.path.join(box, "kolmsim.ini"), "w") as f:
        f.write(SIGNALS)
    # The user's folder inside the work folder: a calibration saved there stays there.
    env = dict(os.environ, HOME=os.path.join(a.work, "home"), XDG_CONFIG_HOME=os.path.join(a.work, "home"))
    reference = os.path.join(a.work, "read.csv")
    subprocess.run([a.kolmctl, plugin, "read", "--rate", str(RATE), "--duration", "1s", "--csv", "-o", reference],
                   env=env, check=True, stdout=subprocess.DEVNULL, timeout=WAIT)
    server = subprocess.Popen([a.kolmctl, plugin, "serve", "--port", "0"], env=env, stdout=subprocess.PIPE, text=True)
    browsers = []
    try:
        url = server.stdout.readline().strip()
        if not url.startswith("http://127.0.0.1:"):
            print("FAILED: kolmctl serve's first line is not the page's address:", repr(url))
            return 1
        page = Page(url, a.work, "en-US", browsers)
        failed = 0
        for name, act, check in scenarios(reference):
            page.fresh = None
            try:
                act(page)
                problem = check(page)
            except Exception as e:  # a step that cannot be done fails its scenario, not the table
                problem = "%s: %s" % (type(e).__name__, str(e).split("\n")[0])
            print("%s: %s%s" % ("FAILED" if problem else "ok", name, ": " + problem if problem else ""))
            failed += bool(problem)
        if a.screenshot and not failed:
            with open(a.screenshot, "wb") as f:
                f.write(page.picture)
        errors = [e["message"] for b in browsers for e in b.driver.get_log("browser") if e["level"] == "SEVERE"
                  and "favicon.ico" not in e["message"]]
        for e in errors:
            print("FAILED: the page's console:", e)
        return 1 if failed or errors else 0
    finally:
        for b in browsers:
            b.driver.quit()
        server.send_signal(signal.SIGINT)  # as Ctrl-C: kolmctl puts the box back as it was
        try:
            server.wait(timeout=WAIT)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()


class Page:
    """The page in one browser, with the shortcuts the scenarios use."""

    def __init__(self, url, work, language, browsers):
        self.downloads = os.path.join(work, "downloads-" + language)
        os.makedirs(self.downloads, exist_ok=True)
        o = webdriver.ChromeOptions()
        for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1200,1000",
                    "--lang=" + language, "--user-data-dir=" + os.path.join(work, "profile-" + language)):
            o.add_argument(arg)
        o.add_experimental_option("prefs", {"intl.accept_languages": language,
                                            "download.default_directory": self.downloads,
                                            "download.prompt_for_download": False})
        o.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(options=o)
        browsers.append(self)
        self.driver.get(url)
        self.until(lambda: self.js("return info !== null && !!document.getElementById('relay-0')"), "the page loaded")

    def until(self, condition, what):
        WebDriverWait(self.driver, WAIT, poll_frequency=0.1, ignored_exceptions=[FileNotFoundError]).until(
            lambda _: condition(), "waited for " + what)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def el(self, id):
        return self.driver.find_element(By.ID, id)

    def text(self, id):
        return self.js("return document.getElementById(arguments[0]).innerText", id)

    def type(self, element, text):
        element.clear()
        element.send_keys(text)

    def capture(self, duration=""):
        """Starts a capture of both channels at RATE, after the last one ended and was cleared."""
        self.stop()
        self.el("clear").click()
        self.until(lambda: self.js("return capture.taken") == 0, "the capture cleared")
        self.type(self.el("rate"), str(RATE))
        self.type(self.el("duration"), duration)
        self.el("start").click()
        self.until(lambda: self.js("return info.capture.running && capture.taken > 0") and
                   "\u2014" not in self.text("readout"), "a reading shown")

    def stop(self):
        if self.el("stop").is_enabled():
            self.el("stop").click()
            self.until(lambda: self.el("start").is_enabled(), "the capture's end")

    def download(self, link):
        """The text of the file the link downloads."""
        before = set(os.listdir(self.downloads))
        self.el(link).click()
        # Chromium reserves the file's name with an empty file while it writes a .crdownload
        # (and passes through hidden temporary files).
        def done():
            names = set(os.listdir(self.downloads))
            if any(n.endswith(".crdownload") or n.startswith(".") for n in names):
                return []
            return [n for n in names - before if os.stat(os.path.join(self.downloads, n)).st_size]
        self.until(done, "the download of " + link)
        with open(os.path.join(self.downloads, done()[0]), encoding="utf-8") as f:
            return f.read()

    def volts(self, channel):
        """The volts of the channel's readings, as the page recorded them."""
        return self.js("return capture.volts[capture.channels.indexOf(arguments[0])].filter(v => v !== null)", channel)


def rows(csv):
    """The CSV's table: the lines that are not `#` notes."""
    return [line for line in csv.splitlines() if line and not line.startswith("#")]


def table(csv):
    """The CSV's header and its rows, as lists of fields."""
    lines = rows(csv)
    return lines[0].split(","), [line.split(",") for line in lines[1:]]


def same_readings(page, read):
    """None where the page's CSV is read's for the same readings: its notes but the start,
    its header, its rows but their times (when each reading came; a loaded machine may
    miss a slot in either)."""
    notes = lambda csv: [line for line in csv.splitlines() if line.startswith("#") and not line.startswith("# start:")]
    untimed = lambda csv: {",".join(r[1:]) for r in table(csv)[1]}
    times = lambda csv: all(re.fullmatch(r"\d+\.\d{6}", r[0]) for r in table(csv)[1])
    same = notes(page) == notes(read) and table(page)[0] == table(read)[0] and untimed(page) == untimed(read)
    return None if same and times(page) else "the page's CSV:\n%s\nkolmctl read's:\n%s" % (page, read)


def expect(condition, problem):
    return None if condition else problem


def scenarios(reference):
    with open(reference, encoding="utf-8") as f:
        read = f.read()
    head, first = table(read)[0], table(read)[1][0]
    ch0, ch1 = (float(first[head.index("ch%d_volts" % c)]) for c in (0, 1))
    shown = lambda v, unit: "%.3f %s" % (v, unit)

    def whole_capture(p):
        p.capture("1")
        p.until(lambda: p.el("start").is_enabled() and p.js("return info.capture.running") is False, "the capture's end")
        p.fresh = p.download("csv-en")

    def relay_on(p):
        p.capture()
        p.el("relay-2").click()
        p.until(lambda: max(p.volts(1)) > 4.5, "the capacitor charged to 90 % of the supply")
        p.js("window.scrollTo(0, 0)")
        p.picture = p.driver.get_screenshot_as_png()  # the README's, when every scenario passes

    def calibrate(p):
        form = p.el("calibration-0")
        for name, value in (("name", "T"), ("unit", "\u00b0C"), ("a", "20"), ("b", "-10")):
            p.type(form.find_element(By.NAME, name), value)
        form.find_element(By.CSS_SELECTOR, "button[type=submit]").click()
        p.until(lambda: p.text("value-0").endswith("\u00b0C"), "the unit shown")
        p.shown = p.text("value-0")
        p.stop()
        p.fresh = p.download("csv-en")

    def calibrated_csv(p):
        header = rows(p.fresh)[0]
        values = [float(x) for x in rows(p.fresh)[-1].split(",")[1:]]
        return expect("%.2f \u00b0C" % (20 * ch0 - 10) in p.shown and "\u00b0C" in header
                      and any(abs(v - (20 * ch0 - 10)) < 1e-6 for v in values),
                      "shown %r; no \u00b0C column holding 20 x %.4f - 10 in:\n%s" % (p.shown, ch0, p.fresh))

    return [
        ("opened on a fresh kolmctl, the page starts a capture and shows the virtual box's values as kolmctl read gives them",
         lambda p: p.until(lambda: p.js("return info.capture.running && capture.taken > 0") and
                           "\u2014" not in p.text("readout"), "the page's own first capture"),
         lambda p: expect(p.text("value-0").endswith(shown(ch0, "V")) and p.text("value-1").endswith(shown(ch1, "V")),
                          "shown %r and %r, kolmctl read gives %.3f and %.3f" % (p.text("value-0"), p.text("value-1"), ch0, ch1))),
        ("the CSV download of a 1 s capture is what kolmctl read writes",
         whole_capture,
         lambda p: same_readings(p.fresh, read)),
        ("a calibration entered changes the unit shown and the CSV",
         calibrate,
         calibrated_csv),
        ("a relay click switches the box's relay: its RC circuit charges on the curve, the switch marked",
         relay_on,
         lambda p: expect(p.el("relay-2").get_attribute("aria-pressed") == "true" and p.js("return info.relays[2]") is True
                          and p.js("return capture.marks.some(m => m.text === 'Relay 2 on')"),
                          "relay 2 shown %r, marks %r" % (p.text("relay-2"), p.js("return capture.marks")))),
        ("a French browser: French texts, decimal commas",
         lambda p: setattr(p, "french_texts", french_texts(p)),
         lambda p: expect(p.french_texts[0] == "D\u00e9marrer" and "," in p.french_texts[1],
                          "start button %r, value %r" % tuple(p.french_texts))),
    ]


def french_texts(p):
    french = Page(p.driver.current_url, os.path.dirname(p.downloads), "fr-FR", [])
    try:
        french.until(lambda: "," in french.text("value-0"), "a reading")
        return [french.text("start"), french.text("value-0")]
    finally:
        french.driver.quit()


if __name__ == "__main__":
    sys.exit(main())
