#include "cli/report_template.h"

#include <string.h>

#include "cli/html_escape.h"
#include "cli/sha256.h"

// Every report starts with exactly these bytes; a file that does not is
// never overwritten.
static const char ownStart[] =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<meta name=\"generator\" content=\"flickbox-cli report\">\n";

static const char style[] =
    "body{font:14px/1.4 system-ui,sans-serif;margin:0 auto;max-width:1300px;padding:0 16px 32px;"
    "color:#1d2228;background:#fafafa}"
    "h1{font-size:22px;margin:16px 0 4px}h2{font-size:17px;margin:24px 0 6px;border-bottom:1px solid #ccc}"
    "h3{font-size:15px;margin:12px 0 4px}"
    "table{border-collapse:collapse;margin:4px 0}th,td{padding:2px 10px;text-align:left;vertical-align:top}"
    "thead th{border-bottom:1px solid #999}tbody tr:nth-child(even){background:#eef0f2}"
    "td.n,th.n{text-align:right}"
    "dl.facts{display:grid;grid-template-columns:max-content auto;gap:2px 16px;margin:8px 0}"
    "dl.facts dt{color:#555}dl.facts dd{margin:0}"
    ".t{color:#b8321f;font-weight:600}.ct{color:#1f5fbf;font-weight:600}.none{color:#555}"
    ".mark{font-size:11px;border:1px solid #999;border-radius:3px;padding:0 3px;margin-left:4px;color:#444}"
    ".hs{font-weight:700;color:#8a1c1c}.team{font-style:italic;color:#6a4c00}"
    ".note{color:#555}.bad{color:#8a1c1c}"
    "th.sort{cursor:pointer}th[aria-sort=ascending]::after{content:\" \\25B2\"}"
    "th[aria-sort=descending]::after{content:\" \\25BC\"}"
    "svg.plot{width:100%;height:auto;max-height:80vh;background:#1e2329;border-radius:4px}"
    "svg.plot polyline{fill:none;stroke:#d7dce2;stroke-width:1.5;stroke-opacity:.7;"
    "vector-effect:non-scaling-stroke}"
    "svg.plot line{stroke-width:2;vector-effect:non-scaling-stroke}"
    "svg.plot line.t{stroke:#ff7a5c}svg.plot line.ct{stroke:#6fb1ff}svg.plot line.none{stroke:#c8c8c8}"
    "svg.plot .victim{fill:none;stroke:#fff;stroke-width:1.5;vector-effect:non-scaling-stroke}"
    "svg.plot circle.t{fill:#ff7a5c}svg.plot circle.ct{fill:#6fb1ff}svg.plot circle.none{fill:#c8c8c8}"
    "svg.plot .off{display:none}"
    "ul.legend{list-style:none;padding:0;display:flex;gap:18px;flex-wrap:wrap;color:#444}"
    "#demos th,#demos td{white-space:nowrap}#demos td:first-child{white-space:normal;word-break:break-all}";

static const char script[] =
    "(function(){"
    "function key(c){var s=c.getAttribute('data-sort');return s!==null?s:c.textContent.trim();}"
    "function num(s){return s!==''&&!isNaN(s);}"
    "document.querySelectorAll('table.sortable').forEach(function(table){"
    "var heads=table.tHead.rows[0].cells;"
    "Array.prototype.forEach.call(heads,function(th,col){"
    "th.classList.add('sort');th.tabIndex=0;"
    "function sort(){var body=table.tBodies[0];var rows=Array.prototype.slice.call(body.rows);"
    "var up=th.getAttribute('aria-sort')!=='ascending';"
    "rows.sort(function(a,b){var x=key(a.cells[col]),y=key(b.cells[col]);"
    "var d=num(x)&&num(y)?Number(x)-Number(y):x.localeCompare(y);return up?d:-d;});"
    "Array.prototype.forEach.call(heads,function(h){h.removeAttribute('aria-sort');});"
    "th.setAttribute('aria-sort',up?'ascending':'descending');"
    "rows.forEach(function(r){body.appendChild(r);});}"
    "th.addEventListener('click',sort);"
    "th.addEventListener('keydown',function(e){if(e.key==='Enter'||e.key===' '){e.preventDefault();sort();}});"
    "});});"
    "var pick=document.getElementById('round-pick');"
    "if(pick){document.getElementById('plot-controls').hidden=false;"
    "pick.addEventListener('change',function(){var v=pick.value;"
    "document.querySelectorAll('svg.plot g[data-round]').forEach(function(g){"
    "g.classList.toggle('off',v!=='all'&&g.getAttribute('data-round')!==v);});});}"
    "})();";

static void AppendHash(std::string* out, const char* text)
{
    unsigned char digest[SHA256_SIZE];
    Sha256((const unsigned char*)text, strlen(text), digest);
    out->append("'sha256-");
    AppendBase64(out, digest, sizeof digest);
    out->push_back('\'');
}

void AppendReportStart(std::string* out, const char* title)
{
    out->append(ownStart);
    // Nothing may be fetched: no network, no other file; only this page's
    // own style and script run.
    out->append("<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src ");
    AppendHash(out, style);
    out->append("; script-src ");
    AppendHash(out, script);
    out->append("; base-uri 'none'; form-action 'none'\">\n"
                "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>");
    AppendHtmlText(out, title);
    out->append("</title>\n<style>");
    out->append(style);
    out->append("</style>\n</head>\n<body>\n");
}

void AppendReportEnd(std::string* out)
{
    out->append("<script>");
    out->append(script);
    out->append("</script>\n</body>\n</html>\n");
}

bool IsOwnReport(const unsigned char* bytes, size_t size)
{
    size_t length = sizeof ownStart - 1;
    return size >= length && memcmp(bytes, ownStart, length) == 0;
}
