#!/usr/bin/env bash
# Show Help end to end, inside the virtual LAN (its fixture brings it up): Wine is told to
# start a stub as its browser, which writes down what it was given; the program's help page
# must reach it, and the page it names is then read natively (xmllint, Python's HTML parser).
# Then Wine is given a browser that does not exist: Show Help must break nothing. Wine's
# browser setting is removed again at the end, so no real browser is ever started here.
# The project's prefixes are made with Wine's HTML engine turned off, and with it goes the
# engine's registration of .html files as "htmlfile" (opened by Wine's browser launcher), which
# every desktop prefix has: the LAN's prefix gets it for this run.
#   show_help.sh E2E_TESTS_EXE
set -euo pipefail
trap 'echo "show_help.sh: line $LINENO ended with status $?" >&2' ERR
e2e=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tools/wine-arch.sh"
export VANTREL_ARCH=${VANTREL_ARCH:-$(pe_arch "$e2e")}
work=$(mktemp -d)

in_lan() { "$root/tools/virtual-lan.sh" exec "$root/tools/lan-env.sh" "$root/tools/wine-run.sh" "$@"; }
use_browser() { in_lan reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$1" /f >/dev/null; }
had_html_type=
cleanup() {
    in_lan reg delete 'HKCU\Software\Wine\WineBrowser' /v Browsers /f >/dev/null 2>&1 || true
    [[ -n $had_html_type ]] || in_lan reg delete 'HKCR\.html' /f >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
! in_lan reg query 'HKCR\.html' /ve >/dev/null 2>&1 || had_html_type=yes
in_lan reg add 'HKCR\.html' /ve /d htmlfile /f >/dev/null

cat >"$work/browser" <<STUB
#!/bin/sh
printf '%s\n' "\$1" >>"$work/opened"
STUB
chmod +x "$work/browser"

use_browser "$work/browser"
VANTREL_BROWSER_LOG=$work/opened in_lan "$e2e" --gtest_filter='ShowHelp.OpensTheBuiltInPageInTheBrowser'
opened=$(head -n 1 "$work/opened")
page=${opened#file://}
page=$(python3 -c 'import sys, urllib.parse; print(urllib.parse.unquote(sys.argv[1]))' "$page")
echo "the browser was given $opened"
xmllint --noout "$page"
python3 - "$page" <<'CHECK'
import sys
from html.parser import HTMLParser

class Headings(HTMLParser):
    def __init__(self):
        super().__init__()
        self.inside, self.found = False, []
    def handle_starttag(self, tag, attrs):
        if tag == "h2":
            self.inside = True
            self.found.append("")
    def handle_endtag(self, tag):
        if tag == "h2":
            self.inside = False
    def handle_data(self, data):
        if self.inside:
            self.found[-1] += data

expected = ["What a scan does", "Which network is scanned", "The list", "Where the names come from",
            "Your own names for devices", "Export", "Settings", "Scan only your own networks"]
parser = Headings()
parser.feed(open(sys.argv[1], encoding="ascii").read())
if parser.found != expected:
    sys.exit(f"headings {parser.found}, expected {expected}")
print("help page: well-formed, headings", parser.found)
CHECK

use_browser vantrel-no-such-browser
VANTREL_NO_BROWSER=1 in_lan "$e2e" --gtest_filter='ShowHelp.BreaksNothingWithoutABrowser'
