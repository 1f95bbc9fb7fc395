# shellcheck shell=bash
# The machine's own apt sources, so that what we fetch comes from the mirror
# the machine is set up for. Source this file.
#   apt_source_entries [FILE...]   one line per enabled entry and suite:
#                                  TYPE URI SUITE SIGNED_BY COMPONENTS...
#                                  (SIGNED_BY is "-" when none is given)
#   release_source_entries TYPE    the entries of TYPE for this release's
#                                  suites (CODENAME and CODENAME-updates)
#   release_codename               this machine's Debian release codename
# Without FILE arguments the files apt itself reads are used:
# /etc/apt/sources.list and /etc/apt/sources.list.d/*.list|*.sources.

apt_source_files() {
    local f
    [ -f /etc/apt/sources.list ] && printf '%s\n' /etc/apt/sources.list
    for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && printf '%s\n' "$f"
    done
    return 0
}

apt_source_entries() {
    local files=("$@") f
    if [ ${#files[@]} -eq 0 ]; then
        mapfile -t files < <(apt_source_files)
    fi
    for f in "${files[@]}"; do
        case "$f" in
        *.sources) _deb822_entries <"$f" ;;
        *) _one_line_entries <"$f" ;;
        esac
    done
}

# deb [opt=value ...] URI SUITE COMPONENT...
_one_line_entries() {
    awk '
        { sub(/#.*/, "") }
        NF < 3 || ($1 != "deb" && $1 != "deb-src") { next }
        {
            type = $1; i = 2; signed = "-"
            if ($2 ~ /^\[/) {
                opts = ""
                for (; i <= NF; i++) {
                    opts = opts " " $i
                    if ($i ~ /\]$/) { i++; break }
                }
                gsub(/[\[\]]/, "", opts)
                n = split(opts, o, " ")
                for (k = 1; k <= n; k++)
                    if (o[k] ~ /^signed-by=/) signed = substr(o[k], 11)
            }
            uri = $i; suite = $(i + 1); comps = ""
            for (k = i + 2; k <= NF; k++) comps = comps " " $k
            if (uri != "" && suite != "") print type, uri, suite, signed comps
        }'
}

# Paragraphs of Field: value lines; a value may go on over indented lines.
_deb822_entries() {
    awk '
        function flush(   nt, nu, ns, a, b, c, t, u, s) {
            if (types != "" && tolower(enabled) != "no") {
                nt = split(types, t, " "); nu = split(uris, u, " "); ns = split(suites, s, " ")
                for (a = 1; a <= nt; a++)
                    for (b = 1; b <= nu; b++)
                        for (c = 1; c <= ns; c++)
                            print t[a], u[b], s[c], (signed == "" ? "-" : signed), comps
            }
            types = uris = suites = comps = signed = enabled = ""; field = ""
        }
        /^#/ { next }
        /^[[:space:]]*$/ { flush(); next }
        /^[[:space:]]/ { if (field == "components") comps = comps " " $0; next }
        {
            field = tolower(substr($0, 1, index($0, ":") - 1))
            value = substr($0, index($0, ":") + 1)
            gsub(/^[[:space:]]+|[[:space:]]+$/, "", value)
            if (field == "types") types = value
            else if (field == "uris") uris = value
            else if (field == "suites") suites = value
            else if (field == "components") comps = value
            else if (field == "signed-by") signed = (value ~ /^\// ? value : "")
            else if (field == "enabled") enabled = value
        }
        END { flush() }' | awk '{ $1 = $1; print }'
}

release_codename() {
    local VERSION_CODENAME=""
    # shellcheck disable=SC1091
    . /etc/os-release
    printf '%s\n' "${VERSION_CODENAME:-bookworm}"
}

release_source_entries() {
    local type="$1" codename
    codename="$(release_codename)"
    apt_source_entries | awk -v type="$type" -v a="$codename" -v b="$codename-updates" \
        '$1 == type && ($3 == a || $3 == b)' | sort -u
}
