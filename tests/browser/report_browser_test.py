#!/usr/bin/env python3
"""Report pages in headless Chromium from file://: each shared demo's rendered
DOM against `events --json`, no console message, hostile names kept as text,
every section with scripts refused, sorting and the round selector clicked.
usage: report_browser_test.py FLICKBOX_CLI MAKE_REPORT_SAMPLE WORK_FOLDER [DEMO_FOLDER]"""
import html, json, math, os, re, shutil, subprocess, sys, tempfile, unittest

CLI, SAMPLE_TOOL, WORK = sys.argv[1:4]
CORPUS = os.environ.get('FLICKBOX_DEMO_CORPUS') or (sys.argv[4] if len(sys.argv) > 4 else '')
CHROMIUM = ['chromium', '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            '--enable-logging=stderr', '--v=0']
TEAMS = {'Terrorists': 'T', 'Counter-Terrorists': 'CT', 'Spectators': 'SPECTATOR', 'Unassigned': 'UNASSIGNED',
         'No team': None}


def browse(path, *flags):
    """What Chromium printed for the file (its DOM with --dump-dom), and its console lines."""
    profile = tempfile.mkdtemp(dir=WORK)
    try:
        run = subprocess.run(CHROMIUM + ['--user-data-dir=' + profile, *flags, 'file://' + os.path.abspath(path)],
                             capture_output=True, text=True, timeout=120)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    return run.stdout, [line for line in run.stderr.splitlines() if ':CONSOLE' in line]


def section(dom, name):
    match = re.search(r'<section id="%s">(.*?)</section>' % name, dom, re.S)
    return match.group(1) if match else ''


def text(markup):
    return html.unescape(re.sub(r'<[^>]*>', '', markup))


def rows(markup):
    """Each body row: its attributes, and its cells as (attributes, text)."""
    return [(attrs, [(a, text(c)) for a, c in re.findall(r'<td([^>]*)>(.*?)</td>', row, re.S)])
            for attrs, row in re.findall(r'<tr([^>]*)>(.*?)</tr>', markup, re.S) if '<td' in row]


def attr(attrs, name):
    return html.unescape(re.search(r'%s="([^"]*)"' % name, attrs).group(1))


def shown(value):
    """Text as a page shows it: control characters left out."""
    return ''.join(c for c in value or '' if ord(c) >= 0x20 and c != '\x7f' and not 0x80 <= ord(c) < 0xa0)


def clicked(page, script):
    """Runs the page's own body and script, then a test script that clicks and
    writes what it found; the policy is left out so the test script may run."""
    with open(page, encoding='utf-8') as file:
        page_text = re.sub(r'<meta http-equiv="Content-Security-Policy"[^>]*>', '', file.read())
    path = page + '.clicked.html'
    with open(path, 'w', encoding='utf-8') as file:
        file.write(page_text.replace('</body>', '<script>' + script + '</script></body>'))
    dom, console = browse(path, '--dump-dom')
    return html.unescape(re.search(r'data-found="([^"]*)"', dom).group(1)), console


class SamplePage(unittest.TestCase):
    """The made-up demo: hostile names, every round reason, a long path."""

    @classmethod
    def setUpClass(cls):
        cls.page = os.path.join(WORK, 'sample.html')
        subprocess.run([SAMPLE_TOOL, cls.page, '10'], check=True)
        cls.dom, cls.console = browse(cls.page, '--dump-dom')

    def test_no_console_message_and_injected_names_stay_text(self):
        self.assertEqual([], self.console)
        self.assertIn('<p id="plot-controls">', self.dom)  # the script ran
        self.assertEqual(1, self.dom.count('<script'))
        for tag in ('<img', '<b>', '<i>', '<svg/', '<svg onload'):
            self.assertNotIn(tag, self.dom)
        names = [cells[0][1] for _, cells in rows(section(self.dom, 'scoreboard'))]
        self.assertIn('<img src=x onerror=alert(1)>', names)
        chat = rows(section(self.dom, 'chat'))
        self.assertEqual('gg </td><script>alert(2)</script> "it\'s" & more', chat[0][1][3][1])
        self.assertEqual(('team', 'teamchat'), (chat[1][1][1][1], attr(chat[1][0], 'class')))

    def test_every_section_without_javascript(self):
        # A policy that lets no script run: what a browser with JavaScript off shows.
        with open(self.page, encoding='utf-8') as file:
            page_text = re.sub(r"script-src [^;]*;", "script-src 'none';", file.read())
        path = self.page + '.no-script.html'
        with open(path, 'w', encoding='utf-8') as file:
            file.write(page_text)
        dom, _ = browse(path, '--dump-dom')
        self.assertIn('<p id="plot-controls" hidden="">', dom)
        self.assertEqual((10, 5, 30, 20, 5), tuple(len(rows(section(dom, name))) for name in
                                                   ('scoreboard', 'rounds', 'kills', 'chat')) +
                         (dom.count('<g data-round='),))
        self.assertNotIn('class="off"', dom)

    def test_round_selector_and_sorting_when_clicked(self):
        found, console = clicked(self.page,
            "var pick=document.getElementById('round-pick');pick.value='2';pick.dispatchEvent(new Event('change'));"
            "var shown=[];document.querySelectorAll('svg.plot g[data-round]').forEach(function(g){"
            "if(!g.classList.contains('off'))shown.push(g.getAttribute('data-round'));});"
            "var th=document.querySelector('#kills th:nth-child(2)');th.click();th.click();"
            "var first=document.querySelector('#kills tbody tr td:nth-child(2)').textContent;"
            "document.body.setAttribute('data-found',shown.join(',')+'|'+first+'|'+th.getAttribute('aria-sort'));")
        self.assertEqual([], console)
        self.assertEqual('2|player 8|descending', found)


@unittest.skipUnless(CORPUS and os.path.isdir(CORPUS), 'no demo folder (set FLICKBOX_DEMO_CORPUS)')
class SharedDemos(unittest.TestCase):
    """Every demo of the folder: its page against events --json."""

    @classmethod
    def setUpClass(cls):
        cls.out = os.path.join(WORK, 'reports')
        shutil.rmtree(cls.out, ignore_errors=True)
        cls.report = subprocess.run([CLI, 'report', CORPUS, '-o', cls.out], capture_output=True, text=True)
        events = subprocess.run([CLI, 'events', '--json', CORPUS], capture_output=True, text=True)
        cls.demos = [json.loads(line) for line in events.stdout.splitlines() if line.strip()]

    def page_of(self, demo):
        return os.path.join(self.out, re.sub(r'\.dem$', '', os.path.basename(demo['path']), flags=re.I) + '.html')

    def test_index_lists_links_and_sorts_every_demo(self):
        self.assertEqual(0, self.report.returncode, self.report.stderr)
        index = os.path.join(self.out, 'index.html')
        dom, console = browse(index, '--dump-dom')
        self.assertEqual([], console)
        links = re.findall(r'<a href="([^"]*)"', dom)
        self.assertEqual(len(self.demos), len(links))
        self.assertTrue(all(os.path.isfile(os.path.join(self.out, html.unescape(link))) for link in links))
        found, console = clicked(index,
            "var th=document.querySelector('#demos th:nth-child(7)');th.click();th.click();var k=[];"
            "document.querySelectorAll('#demos tbody td:nth-child(7)').forEach(function(c){k.push(c.textContent);});"
            "document.body.setAttribute('data-found',k.join(','));")
        kills = [int(k) for k in found.split(',')]
        self.assertEqual(sorted(kills, reverse=True), kills)

    def test_pages_show_what_events_give(self):
        self.assertTrue(self.demos)
        for demo in self.demos:
            with self.subTest(demo=os.path.basename(demo['path'])):
                dom, console = browse(self.page_of(demo), '--dump-dom')
                self.assertEqual([], console)
                self.check_page(dom, demo)

    def check_page(self, dom, demo):
        events = demo.get('events', [])
        players = []
        for team, table in re.findall(r'<h3[^>]*>(.*?)</h3>\s*<table.*?>(.*?)</table>', section(dom, 'scoreboard'),
                                      re.S):
            players += [(c[0][1], c[1][1] or None, TEAMS[team], int(c[2][1]), int(c[3][1]))
                        for _, c in rows(table)]
        self.assertEqual(sorted([(shown(p['name']), p['steamId'], p['team'], p['frags'], p['deaths'])
                                 for p in demo['players']], key=repr), sorted(players, key=repr))

        ended = [c for a, c in rows(section(dom, 'rounds')) if 'unfinished' not in a]
        self.assertEqual([(e['round'], e['winner'], e['reason'], e['score']['T'], e['score']['CT'])
                          for e in events if e['type'] == 'round-end'],
                         [(int(c[0][1]), attr(c[1][0], 'data-sort'), attr(c[2][0], 'data-key'), int(c[3][1]),
                           int(c[4][1])) for c in ended])
        self.assertFalse([c[2][1] for c in ended if c[2][1].startswith('#')])

        kills = [c for _, c in rows(section(dom, 'kills'))]
        expected = [e for e in events if e['type'] == 'kill']
        self.assertEqual(len(expected), len(kills))
        for e, c in zip(expected, kills):
            self.assertTrue(math.isclose(e['time'], float(attr(c[0][0], 'data-sort')), rel_tol=1e-6))
            killer = shown(e['killerName']) or ('(world)' if e['killer'] == 0 else f"(entity {e['killer']})")
            victim = shown(e['victimName']) or f"(entity {e['victim']})"
            self.assertEqual((killer, e['weapon'], e['headshot'], victim),
                             (c[1][1], c[2][1], c[3][1] == 'HS', c[4][1]))

        self.assertEqual([(e['kind'], shown(e['name']), shown(e['text'])) for e in events if e['type'] == 'chat'],
                         [(c[1][1], c[2][1], c[3][1]) for _, c in rows(section(dom, 'chat'))])

    def test_screenshot(self):
        def busy(demo):
            return [sum(e['type'] == kind for e in demo.get('events', [])) for kind in ('round-end', 'kill')]
        shot = os.path.join(WORK, 'report.png')
        browse(self.page_of(max(self.demos, key=busy)), '--window-size=1000,3000', '--hide-scrollbars',
               '--screenshot=' + shot)
        self.assertGreater(os.path.getsize(shot), 10000)


if __name__ == '__main__':
    os.makedirs(WORK, exist_ok=True)
    unittest.main(argv=sys.argv[:1], verbosity=2)
