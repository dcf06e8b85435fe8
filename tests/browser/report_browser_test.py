#!/usr/bin/env python3
"""Report pages in headless Chromium, from file:// with JavaScript on.

The rendered DOM (--dump-dom) of each shared demo's page must show the
scoreboard, rounds, kill feed and chat that `events --json` gives; no page
may log a console message (a refused script or style, a script error); a
hostile player name stays text; the index links every demo, and its columns
and the plot's round selector work when clicked.

usage: report_browser_test.py FLICKBOX_CLI MAKE_REPORT_SAMPLE WORK_FOLDER
Real demos come from FLICKBOX_DEMO_CORPUS, else the build's default folder.
"""
import html.parser, json, math, os, re, shutil, subprocess, sys, tempfile, unittest

CLI, SAMPLE_TOOL, WORK = sys.argv[1:4]
CORPUS = os.environ.get('FLICKBOX_DEMO_CORPUS') or (sys.argv[4] if len(sys.argv) > 4 else '')
CHROMIUM = ['chromium', '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            '--enable-logging=stderr', '--v=0']
TEAMS = {'Terrorists': 'T', 'Counter-Terrorists': 'CT', 'Spectators': 'SPECTATOR',
         'Unassigned': 'UNASSIGNED', 'No team': None}


def browse(path, *flags):
    """The DOM Chromium renders of a file (or the screenshot), and its console lines."""
    profile = tempfile.mkdtemp(dir=WORK)
    try:
        run = subprocess.run(CHROMIUM + ['--user-data-dir=' + profile, *flags, 'file://' + os.path.abspath(path)],
                             capture_output=True, text=True, timeout=120)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    return run.stdout, [line for line in run.stderr.splitlines() if ':CONSOLE' in line]


class Node:
    def __init__(self, tag, attrs, parent):
        self.tag, self.attrs, self.parent, self.children = tag, dict(attrs), parent, []

    def text(self):
        return ''.join(c if isinstance(c, str) else c.text() for c in self.children)

    def find(self, test):
        for child in self.children:
            if isinstance(child, Node):
                if test(child):
                    yield child
                yield from child.find(test)


class Tree(html.parser.HTMLParser):
    EMPTY = {'meta', 'br', 'img', 'input', 'link', 'hr', 'col'}

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.root = self.at = Node('#root', [], None)
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        node = Node(tag, attrs, self.at)
        self.at.children.append(node)
        if tag not in self.EMPTY:
            self.at = node

    def handle_startendtag(self, tag, attrs):
        self.at.children.append(Node(tag, attrs, self.at))

    def handle_endtag(self, tag):
        at = self.at
        while at is not self.root and at.tag != tag:
            at = at.parent
        if at is not self.root:
            self.at = at.parent

    def handle_data(self, data):
        self.at.children.append(data)


def by_id(tree, name):
    return next(tree.root.find(lambda n: n.attrs.get('id') == name), None)


def body_rows(node):
    return [] if node is None else list(node.find(lambda n: n.tag == 'tr' and n.parent.tag == 'tbody'))


def cells(row):
    return [c for c in row.children if isinstance(c, Node) and c.tag == 'td']


def shown(text):
    """Text as a page shows it: control characters left out."""
    return ''.join(c for c in text if ord(c) >= 0x20 and c != '\x7f' and not 0x80 <= ord(c) < 0xa0)


def harness(page, script):
    """The page's own body and script with a test script after it, and no
    policy, so the test script may click and write its findings."""
    with open(page, encoding='utf-8') as file:
        text = file.read()
    text = re.sub(r'<meta http-equiv="Content-Security-Policy"[^>]*>', '', text)
    text = text.replace('</body>', '<script>' + script + '</script></body>')
    path = page + '.harness.html'
    with open(path, 'w', encoding='utf-8') as file:
        file.write(text)
    return path


class SamplePage(unittest.TestCase):
    """The made-up demo: hostile names, every round reason, a long path."""

    @classmethod
    def setUpClass(cls):
        cls.page = os.path.join(WORK, 'sample.html')
        subprocess.run([SAMPLE_TOOL, cls.page, '10'], check=True)
        dom, cls.console = browse(cls.page, '--dump-dom')
        cls.tree = Tree(dom)

    def test_no_console_message_and_the_script_ran(self):
        self.assertEqual([], self.console)
        self.assertNotIn('hidden', by_id(self.tree, 'plot-controls').attrs)

    def test_injected_names_stay_text(self):
        self.assertEqual([], list(self.tree.root.find(lambda n: n.tag in ('img', 'b', 'i', 'svg') and
                                                      'plot' not in n.attrs.get('class', ''))))
        self.assertEqual(1, len(list(self.tree.root.find(lambda n: n.tag == 'script'))))
        names = [cells(row)[0].text() for row in body_rows(by_id(self.tree, 'scoreboard'))]
        self.assertIn('<img src=x onerror=alert(1)>', names)
        chat = body_rows(by_id(self.tree, 'chat'))
        self.assertEqual('gg </td><script>alert(2)</script> "it\'s" & more', cells(chat[0])[3].text())
        self.assertEqual('team', cells(chat[1])[1].text())

    def test_round_selector_and_sorting_when_clicked(self):
        script = ("var pick=document.getElementById('round-pick');pick.value='2';"
                  "pick.dispatchEvent(new Event('change'));"
                  "var shown=[];document.querySelectorAll('svg.plot g[data-round]').forEach(function(g){"
                  "if(!g.classList.contains('off'))shown.push(g.getAttribute('data-round'));});"
                  "var th=document.querySelector('#kills th:nth-child(2)');th.click();th.click();"
                  "var first=document.querySelector('#kills tbody tr td:nth-child(2)').textContent;"
                  "document.body.setAttribute('data-found',shown.join(',')+'|'+first+'|'+th.getAttribute('aria-sort'));")
        dom, console = browse(harness(self.page, script), '--dump-dom')
        self.assertEqual([], console)
        found = re.search(r'data-found="([^"]*)"', dom).group(1)
        self.assertEqual('2|player 8|descending', html.unescape(found))


@unittest.skipUnless(CORPUS and os.path.isdir(CORPUS), 'no demo folder (set FLICKBOX_DEMO_CORPUS)')
class SharedDemos(unittest.TestCase):
    """Every demo of the folder: its page against events --json."""

    @classmethod
    def setUpClass(cls):
        cls.out = os.path.join(WORK, 'reports')
        shutil.rmtree(cls.out, ignore_errors=True)
        run = subprocess.run([CLI, 'report', CORPUS, '-o', cls.out], capture_output=True, text=True)
        cls.report_status, cls.report_err = run.returncode, run.stderr
        events = subprocess.run([CLI, 'events', '--json', CORPUS], capture_output=True, text=True)
        cls.demos = [json.loads(line) for line in events.stdout.splitlines() if line.strip()]

    def page_of(self, demo):
        name = re.sub(r'\.dem$', '', os.path.basename(demo['path']), flags=re.I) + '.html'
        return os.path.join(self.out, name)

    def test_index_lists_and_links_every_demo(self):
        self.assertEqual(0, self.report_status, self.report_err)
        self.assertTrue(self.demos)
        dom, console = browse(os.path.join(self.out, 'index.html'), '--dump-dom')
        self.assertEqual([], console)
        rows = body_rows(by_id(Tree(dom), 'demos'))
        self.assertEqual(len(self.demos), len(rows))
        for row in rows:
            link = next(row.find(lambda n: n.tag == 'a'))
            self.assertTrue(os.path.isfile(os.path.join(self.out, link.attrs['href'])), link.attrs['href'])
        script = ("var th=document.querySelector('#demos th:nth-child(7)');th.click();th.click();"
                  "var k=[];document.querySelectorAll('#demos tbody tr td:nth-child(7)').forEach(function(c){"
                  "k.push(c.textContent);});document.body.setAttribute('data-found',k.join(','));")
        dom, console = browse(harness(os.path.join(self.out, 'index.html'), script), '--dump-dom')
        kills = [int(k) for k in re.search(r'data-found="([^"]*)"', dom).group(1).split(',')]
        self.assertEqual(sorted(kills, reverse=True), kills)

    def test_pages_show_what_events_give(self):
        for demo in self.demos:
            with self.subTest(demo=os.path.basename(demo['path'])):
                dom, console = browse(self.page_of(demo), '--dump-dom')
                self.assertEqual([], console)
                self.check_page(Tree(dom), demo)

    def check_page(self, tree, demo):
        events = demo.get('events', [])
        players = []
        section = by_id(tree, 'scoreboard')
        team = None
        for node in section.find(lambda n: n.tag in ('h3', 'tr')):
            if node.tag == 'h3':
                team = TEAMS[node.text()]
            elif node.parent.tag == 'tbody':
                name, steam, frags, deaths = [c.text() for c in cells(node)[:4]]
                players.append((name, steam or None, team, int(frags), int(deaths)))
        expected = [(shown(p['name'] or ''), p['steamId'], p['team'], p['frags'], p['deaths'])
                    for p in demo.get('players', [])]
        self.assertEqual(sorted(expected, key=repr), sorted(players, key=repr))

        rounds = [cells(r) for r in body_rows(by_id(tree, 'rounds')) if r.attrs.get('class') != 'unfinished']
        ends = [e for e in events if e['type'] == 'round-end']
        self.assertEqual([(e['round'], e['winner'], e['reason'], e['score']['T'], e['score']['CT']) for e in ends],
                         [(int(c[0].text()), c[1].attrs['data-sort'], c[2].attrs['data-key'], int(c[3].text()),
                           int(c[4].text())) for c in rounds])
        for c in rounds:
            self.assertFalse(c[2].text().startswith('#'), c[2].text())

        kills = [cells(r) for r in body_rows(by_id(tree, 'kills'))]
        expected = [e for e in events if e['type'] == 'kill']
        self.assertEqual(len(expected), len(kills))
        for e, c in zip(expected, kills):
            self.assertTrue(math.isclose(e['time'], float(c[0].attrs['data-sort']), rel_tol=1e-6))
            killer = shown(e['killerName'] or '') or ('(world)' if e['killer'] == 0 else f"(entity {e['killer']})")
            victim = shown(e['victimName'] or '') or f"(entity {e['victim']})"
            self.assertEqual((killer, e['weapon'], e['headshot'], victim),
                             (c[1].text(), c[2].text(), c[3].text() == 'HS', c[4].text()))

        chat = [cells(r) for r in body_rows(by_id(tree, 'chat'))]
        expected = [e for e in events if e['type'] == 'chat']
        self.assertEqual([(e['kind'], shown(e['name'] or ''), shown(e['text'])) for e in expected],
                         [(c[1].text(), c[2].text(), c[3].text()) for c in chat])

    def test_screenshot(self):
        busiest = max(self.demos, key=lambda d: len(d.get('events', [])))
        shot = os.path.join(WORK, 'report.png')
        browse(self.page_of(busiest), '--window-size=1100,1700', '--hide-scrollbars', '--screenshot=' + shot)
        self.assertGreater(os.path.getsize(shot), 10000)


if __name__ == '__main__':
    os.makedirs(WORK, exist_ok=True)
    unittest.main(argv=sys.argv[:1], verbosity=2)
