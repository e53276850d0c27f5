# Shared by the package tests: checks of an installed tree, and reading the simulator's log.
# Sourced; needs set -eu.
#   check_installed_tree <root of the tree, the folder that holds bin/ and share/>

fail() { echo "FAIL: $*" >&2; exit 1; }

check_installed_tree() {
    root=$1
    for file in bin/vantoria bin/vantoria-ampsim share/applications/vantoria.desktop \
        share/icons/hicolor/scalable/apps/vantoria.svg \
        share/doc/vantoria/manual.html share/doc/vantoria/manual.md share/doc/vantoria/LANGUAGE-FILES.md \
        share/doc/vantoria/LANGUAGE-FILES.html share/doc/vantoria/LICENSE share/doc/vantoria/copyright \
        share/doc/vantoria/records-server.html share/doc/vantoria/records-server.sql \
        share/doc/vantoria/changelog.Debian.gz share/man/man1/vantoria.1.gz share/man/man1/vantoria-ampsim.1.gz \
        share/metainfo/example.vantoria.Vantoria.metainfo.xml; do
        [ -s "$root/$file" ] || fail "missing or empty: $file"
    done
    for size in 16 24 32 48 64 128 256; do
        [ -s "$root/share/icons/hicolor/${size}x$size/apps/vantoria.png" ] || fail "no ${size}px icon"
    done
    # Only the program's own places; no test, benchmark or build tool may slip in.
    own='bin/vantoria(-ampsim)?|share/applications/vantoria\.desktop|share/icons/hicolor/[^/]+/apps/vantoria\.(png|svg)'
    own="$own|share/doc/vantoria/.*|share/man/man1/vantoria(-ampsim)?\.1\.gz|share/lintian/overrides/vantoria"
    own="$own|share/metainfo/example\.vantoria\.Vantoria\.metainfo\.xml"
    stray=$(cd "$root" && find . -type f | grep -vE "^\./($own)\$" || true)
    [ -z "$stray" ] || fail "files that do not belong to the program: $stray"
    # An installed program must not look for libraries in the build tree.
    for program in "$root/bin/vantoria" "$root/bin/vantoria-ampsim"; do
        if readelf -d "$program" | grep -E 'R(UN)?PATH' >/dev/null; then fail "$program keeps a library path"; fi
    done
    # Every picture the manual shows is there, the German and the English ones of all four pages.
    pictures=$(grep -o 'src="images/[^"]*"' "$root/share/doc/vantoria/manual.html" | sort -u | wc -l)
    [ "$pictures" -ge 8 ] || fail "the manual shows fewer than 8 pictures"
    check_links "$root/share/doc/vantoria"
    # The table of contents reaches every section of the manual.
    for section in $(grep -o '<h2[^>]*><a name="[^"]*"' "$root/share/doc/vantoria/manual.html" | sed 's/.*name="//; s/"$//'); do
        grep -qF "href=\"#$section\"" "$root/share/doc/vantoria/manual.html" || fail "no contents entry for #$section"
    done
    # A manual page that misses an option the program offers.
    for program in vantoria vantoria-ampsim; do
        page=$(gzip -dc "$root/share/man/man1/$program.1.gz" | sed 's/\\-/-/g')
        for option in $("$root/bin/$program" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
            echo "$page" | grep -qF -- "$option" || fail "$program(1) does not describe $option"
        done
    done
    if command -v desktop-file-validate >/dev/null 2>&1; then
        desktop-file-validate "$root/share/applications/vantoria.desktop" || fail "invalid desktop entry"
    fi
    grep -qx 'Exec=vantoria --user-folder' "$root/share/applications/vantoria.desktop" ||
        fail "the menu entry does not start the program in the user folder"
}

# Every link and picture in the HTML pages of a folder leads to a file there, and a link with #name to an
# anchor in that file; a guide is reached as HTML, not as its Markdown source. Links to the web are not
# followed.
check_links() {
    for page in "$1"/*.html; do
        grep -oE '(href|src)="[^"]*"' "$page" | sed -E 's/^[a-z]+="//; s/"$//; s/&amp;/\&/g' | sort -u >links
        while IFS= read -r link; do
            if echo "$link" | grep -qE '^[a-z][a-z0-9+.-]*:'; then continue; fi
            file=${link%%#*}
            target=$page
            [ -z "$file" ] || target="$1/$file"
            [ -f "$target" ] || fail "$(basename "$page") links to a missing file: $link"
            case $file in *.md) fail "$(basename "$page") links to the raw $file, not its HTML page" ;; esac
            case $link in
            *#*) grep -qF -e "name=\"${link#*#}\"" -e "id=\"${link#*#}\"" "$target" ||
                fail "$(basename "$page") links to a missing anchor: $link" ;;
            esac
        done <links
    done
    rm -f links
}

# The commands the simulator received, from its byte log ("   1520 RX P0"), on one line.
received() { awk '$2 == "RX" { printf "%s ", $3 }' simulator.log; }

# Waits up to 20 s until the simulator received the commands given; false when it did not.
await_commands() {
    for _ in $(seq 200); do
        received | grep -q "$1" && return 0
        sleep 0.1
    done
    return 1
}
