#!/usr/bin/env bash
# The .deb's copyright file is in the machine-readable format and says
# what LICENSE says: the same copyright holder, the same MIT text.
# Usage: deb_copyright.sh DEB LICENSE
. "$(dirname "$0")/common.sh"
DEB=$1 LICENSE=$2
unpack "$DEB" "$SCRATCH/root"
file=$SCRATCH/root/usr/share/doc/orvi-upgrade/copyright
[ -f "$file" ] || fail "no /usr/share/doc/orvi-upgrade/copyright"
[ "$(head -1 "$file")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
  fail "the first line is not the format's: $(head -1 "$file")"

# field PARAGRAPH NAME: a field's first line, paragraphs counted from 1.
field() {
  awk -v want="$1" -v name="$2" 'BEGIN { RS = ""; FS = "\n" }
    NR == want { for (i = 1; i <= NF; i++) if (index($i, name ": ") == 1) print substr($i, length(name) + 3) }' "$file"
}
paragraphs=$(awk 'BEGIN { RS = "" } END { print NR }' "$file")
[ "$paragraphs" = 3 ] || fail "$paragraphs paragraphs; wanted the header, Files and License"
[ "$(field 1 Upstream-Name)" = orvi-upgrade ] || fail "Upstream-Name is \"$(field 1 Upstream-Name)\""
[ "$(field 2 Files)" = "*" ] || fail "the Files paragraph covers \"$(field 2 Files)\", not *"
holder=$(sed -n 's/^Copyright (c) //p' "$LICENSE")
[ "$(field 2 Copyright)" = "$holder" ] || fail "Copyright: \"$(field 2 Copyright)\"; LICENSE: \"$holder\""
[ "$(field 2 License)" = MIT ] || fail "the Files paragraph's licence is \"$(field 2 License)\""
[ "$(field 3 License)" = MIT ] || fail "the stand-alone licence is \"$(field 3 License)\""

# The stand-alone paragraph's text, unfolded (" ." is an empty line), is
# LICENSE from its permission notice on.
awk 'BEGIN { RS = ""; FS = "\n" } NR == 3 { for (i = 2; i <= NF; i++) print $i }' "$file" |
  sed 's/^ //; s/^\.$//' >"$SCRATCH/text"
sed -n '/^Permission/,$p' "$LICENSE" | cmp -s - "$SCRATCH/text" ||
  fail "the licence text differs from LICENSE: $(sed -n '/^Permission/,$p' "$LICENSE" | diff - "$SCRATCH/text")"
grep -vq '^ ' <(awk 'BEGIN { RS = ""; FS = "\n" } NR == 3 { for (i = 2; i <= NF; i++) print $i }' "$file") &&
  fail "a continuation line of the licence text does not begin with a space"
echo "ok: machine-readable copyright, $holder, the MIT text of LICENSE"
