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
"$E2E_PYTHON" - "$E2E_ARTIFACTS/loop.png" <<'PY' || e2e_fail "the picture is not a 900 x 600 PNG with a drawing on it"
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n"
width, height = struct.unpack(">II", data[16:24])
assert (width, height) == (900, 600), (width, height)
pos, idat = 8, b""
while pos < len(data):
    length, kind = struct.unpack(">I4s", data[pos:pos + 8])
    if kind == b"IDAT":
        idat += data[pos + 8:pos + 8 + length]
    pos += 12 + length
depth, kind = data[24], data[25]
assert depth == 8 and kind in (2, 6), (depth, kind)
bpp, raw, rows, previous = 3 if kind == 2 else 4, zlib.decompress(idat), [], bytearray(width * (3 if kind == 2 else 4))
stride = width * bpp
for y in range(height):  # the rows unfiltered
    line, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        a, b = row[i - bpp] if i >= bpp else 0, previous[i]
        c = previous[i - bpp] if i >= bpp else 0
        p = a + b - c
        pred = [0, a, b, (a + b) // 2, a if abs(p - a) <= min(abs(p - b), abs(p - c)) else b if abs(p - b) <= abs(p - c) else c][line]
        row[i] = (row[i] + pred) & 255
    rows.append(row)
    previous = row
colours = {bytes(r[i:i + 3]) for r in rows for i in range(0, stride, bpp)}
assert len(colours) >= 4, len(colours)  # white, and the frame, the grid and the tones drawn on it
PY
e2e_log "through the null sink and its monitor every tone's gain is 0.00 +- 0.05 dB; the picture is drawn"

pactl set-sink-volume out 50% || e2e_fail "cannot set the sink's volume"
gains=$(measure_gains half_volume)
awk 'NR == 1 { low = high = $1 } { low = $1 < low ? $1 : low; high = $1 > high ? $1 : high }
     END { printf "%.3f %.3f\n", low, high; exit (high - low > 0.05 || high > -1) }' <<<"$gains" ||
  e2e_fail "at 50 % volume the tones' gains differ by more than 0.05 dB: $(tr '\n' ' ' <<<"$gains")"
e2e_log "at the sink's volume of 50 % every tone's gain is $(head -n 1 <<<"$gains") dB, within 0.05 dB of each other"
