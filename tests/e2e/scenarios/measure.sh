# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The measure tool beside the program plays a setup on the sound server's
# null sink and records the sink's monitor: every tone comes back at 0 dB.
# With the sink's volume at 50 % every tone shows the server's volume law,
# the same for all. The picture is a PNG of the tool's size with something
# drawn on it.
text="tonegen-setup 1:"
for ((k = 0; k < tone_count; k++)); do text+=" ${default_frequencies[k]}@$((10 + 4 * k))"; done

# The display first: under wine the tool's run starts the prefix's services.
e2e_start_xvfb
e2e_start_pulse

# measure_gains NAME: plays and records for 2 s into NAME.csv and prints
# the first table's gains, one a line.
measure_gains() {
  app_measure --setup "$text" --input Monitor --seconds 2 --csv "$E2E_ARTIFACTS/$1.csv" \
    --plot "$E2E_ARTIFACTS/$1.png" >"$E2E_ARTIFACTS/$1.txt" 2>"$E2E_RUN/logs/$1.log" ||
    e2e_fail "the measure tool failed ($1): $(cat "$E2E_RUN/logs/$1.log")"
  head -n 1 "$E2E_ARTIFACTS/$1.csv" | grep -qx 'tone,frequency_hz,sent_dbfs,received_dbfs,gain_db,phase_deg' ||
    e2e_fail "$1.csv does not start with the tones' header"
  awk -F, 'NR > 1 && NF == 0 { exit } NR > 1 { print $5 }' "$E2E_ARTIFACTS/$1.csv"
}

gains=$(measure_gains loop)
[ "$(wc -l <<<"$gains")" = "$tone_count" ] || e2e_fail "the loop measured $(wc -l <<<"$gains") tones, not $tone_count"
awk '{ if ($1 < -0.05 || $1 > 0.05) bad = 1 } END { exit bad }' <<<"$gains" ||
  e2e_fail "a tone's gain through the loop is beyond 0.00 +- 0.05 dB: $(tr '\n' ' ' <<<"$gains")"
# Its format, size and number of colours (white, and the frame, the grid
# and the tones drawn on it: four at least).
read -r format width height colours < <(convert "$E2E_ARTIFACTS/loop.png" -format '%m %w %h %k\n' info:) || true
[ "${format:-} ${width:-} ${height:-}" = "PNG 900 600" ] && ((${colours:-0} >= 4)) ||
  e2e_fail "the picture is not a 900 x 600 PNG with a drawing on it (${format:-?} ${width:-?} x ${height:-?}, ${colours:-?} colours)"
e2e_log "through the null sink and its monitor every tone's gain is 0.00 +- 0.05 dB; the picture is drawn"

pactl set-sink-volume out 50% || e2e_fail "cannot set the sink's volume"
gains=$(measure_gains half_volume)
awk 'NR == 1 { low = high = $1 } { low = $1 < low ? $1 : low; high = $1 > high ? $1 : high }
     END { printf "%.3f %.3f\n", low, high; exit (high - low > 0.05 || high > -1) }' <<<"$gains" ||
  e2e_fail "at 50 % volume the tones' gains differ by more than 0.05 dB: $(tr '\n' ' ' <<<"$gains")"
e2e_log "at the sink's volume of 50 % every tone's gain is $(head -n 1 <<<"$gains") dB, within 0.05 dB of each other"
