"""The dashboard in a real browser (Debian's Chromium, headless, through chromedriver): it loads
and shows the live picture, a click on a disc teaches the selected colour and the marks table
shows it, a slider changes a limit of the set, and a wrong token is refused."""

import os
import shutil
import tempfile

import pytest

from conftest import Service, first_frame, green_disc, wait_for

webdriver = pytest.importorskip("selenium.webdriver")
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402

CHROMEDRIVER = shutil.which("chromedriver") or "/usr/bin/chromedriver"
PAGE_WAIT = 30  # seconds for a page or a script


@pytest.fixture
def browser():
    if not os.access(CHROMEDRIVER, os.X_OK):
        pytest.skip("chromedriver (chromium-driver) is not installed")
    profile = tempfile.mkdtemp(prefix="quelta-chromium-")
    options = webdriver.ChromeOptions()
    for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--window-size=1280,900", "--user-data-dir=" + profile]:
        options.add_argument(argument)
    service = webdriver.chrome.service.Service(CHROMEDRIVER, env=dict(
        os.environ, HOME=profile, LANG="C.UTF-8", LC_ALL="C.UTF-8", DISPLAY=""))
    driver = webdriver.Chrome(service=service, options=options)
    driver.set_page_load_timeout(PAGE_WAIT)
    driver.set_script_timeout(PAGE_WAIT)
    try:
        yield driver
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


def text_of(driver, element_id):
    return driver.find_element(By.ID, element_id).text


def table_rows(driver):
    """The marks table's cells, read at once: the page rebuilds the rows with every frame."""
    return driver.execute_script(
        "return [...document.querySelectorAll('#marks tbody tr')]"
        ".map((row) => [...row.cells].map((cell) => cell.textContent))")


def picture(driver):
    return driver.find_element(By.ID, "stream").screenshot_as_png


def click_at(driver, image, x, y):
    """A click on the picture's pixel (x, y), wherever the page has drawn it and at what size."""
    width, height = driver.execute_script(
        "return [arguments[0].naturalWidth, arguments[0].naturalHeight]", image)
    scale = image.size["width"] / width
    # Offsets are from the element's centre.
    dx = int((x + 0.5) * scale - image.size["width"] / 2)
    dy = int((y + 0.5) * scale - image.size["height"] / 2)
    ActionChains(driver).move_to_element_with_offset(image, dx, dy).click().perform()


def test_the_dashboard_shows_teaches_and_tunes(service, browser):
    first_frame(service)
    browser.get(service.base + "/")
    wait_for("the source's name on the page", lambda: "testcam-multi" in text_of(browser, "source"))
    wait_for("a tracking rate on the page", lambda: text_of(browser, "trackRate") != "00.00 fps")
    image = browser.find_element(By.ID, "stream")
    wait_for("the live picture", lambda: browser.execute_script(
        "return arguments[0].naturalWidth", image) == 640)
    first = picture(browser)
    wait_for("the picture to change", lambda: picture(browser) != first)

    # The first colour is the selected one; a click on a green disc teaches it.
    def taught():
        place = green_disc(service)
        if place:
            click_at(browser, image, *place)
        return [row for row in table_rows(browser) if row[1] == "mark"] or None
    wait_for("a mark in the table after a click on a disc", taught, seconds=45, pause=0.5)
    learnt = service.json("/api/colours")[1]["colours"][0]
    assert learnt["lMax"] > 0 and learnt["a1Max"] > 0

    # A slider moved by the keyboard: the set follows.
    browser.refresh()
    slider = wait_for("the sliders", lambda: browser.find_elements(
        By.CSS_SELECTOR, "#colours input[type=range][data-field=MinWidth]"))[0]
    before = service.json("/api/colours")[1]["colours"][0]["MinWidth"]
    slider.send_keys(Keys.RIGHT * 5)
    wait_for("the new MinWidth in /api/colours",
             lambda: service.json("/api/colours")[1]["colours"][0]["MinWidth"] == before + 5)


def test_a_wrong_token_is_refused_and_changes_nothing(browser):
    service = Service(token="der-rechte-schluessel")
    try:
        first_frame(service)
        before = service.json("/api/colours")
        browser.get(service.base + "/")
        field = wait_for("the login form", lambda: browser.find_elements(By.ID, "token"))[0]
        field.send_keys("a-wrong-one" + Keys.ENTER)
        wait_for("the refusal", lambda: text_of(browser, "problem") == "Testimoni incorrecte")
        assert browser.find_elements(By.ID, "colours") == []
        status, _ = service.json("/api/colours", token="a-wrong-one")
        assert status == 401
        assert service.json("/api/colours") == before

        browser.find_element(By.ID, "token").clear()
        browser.find_element(By.ID, "token").send_keys("der-rechte-schluessel" + Keys.ENTER)
        wait_for("the dashboard after the right token",
                 lambda: browser.find_elements(By.ID, "colours"))
    finally:
        service.stop()
