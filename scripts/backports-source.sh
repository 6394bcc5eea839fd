# Sourced by scripts/emulate-i686.sh and its test.
# The release's backports from the mirror this machine already uses for the
# release itself, in the form of the entry that serves it, keeping that
# entry's options (its Signed-By among them): a machine behind its own mirror
# or a fixed snapshot then gets the emulator from there too. Prints the kind
# of file the entry belongs in (sources or list), then the entry; nothing
# where no entry serves the release's main.
#   derived_backports CODENAME [APT_DIR]    APT_DIR is /etc/apt unless given
derived_backports() {
  local codename=$1 apt=${2:-/etc/apt} file entry
  for file in "$apt"/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    entry=$(awk -v release="$codename" '
      function has(list, word,   words, n, i) {
        n = split(list, words, /[ \t]+/)
        for (i = 1; i <= n; i++) if (words[i] == word) return 1
        return 0
      }
      BEGIN { RS = ""; FS = "\n" }
      {
        split("", value); kept = ""; field = ""
        for (i = 1; i <= NF; i++) {
          line = $i
          if (line ~ /^#/) continue
          if (line !~ /^[ \t]/) {
            field = tolower(substr(line, 1, index(line, ":") - 1))
            value[field] = substr(line, index(line, ":") + 1)
          } else {
            value[field] = value[field] " " line
          }
          if (field !~ /^(types|suites|components|enabled)$/) kept = kept line "\n"
        }
        if (has(value["types"], "deb") && has(value["suites"], release) \
            && has(value["components"], "main") && tolower(value["enabled"]) !~ /no/) {
          printf "Types: deb\n%sSuites: %s-backports\nComponents: main\n", kept, release
          exit
        }
      }' "$file")
    [ -n "$entry" ] && { echo sources; echo "$entry"; return 0; }
  done
  for file in "$apt"/sources.list "$apt"/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    entry=$(awk -v release="$codename" '
      { sub(/#.*/, "") }
      $1 == "deb" {
        n = 2; options = ""
        if ($n ~ /^\[/) {
          while (n <= NF) { options = options $n " "; if ($(n++) ~ /\]$/) break }
        }
        if ($(n + 1) != release) next
        for (i = n + 2; i <= NF; i++) if ($i == "main") {
          print "deb " options $n " " release "-backports main"
          exit
        }
      }' "$file")
    [ -n "$entry" ] && { echo list; echo "$entry"; return 0; }
  done
  return 0
}
