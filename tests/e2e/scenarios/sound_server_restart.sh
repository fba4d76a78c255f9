# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The program when its sound server dies (kill -9) and is started again on
# the same socket half a second (or 5 s) later, with tone 3 at 1001 Hz so
# that any lost or repeated stretch shows. The program says so once on
# standard error and opens its output again about once a second; within
# $sound_back_limit s of the server's return the sound is back, going on
# from where the ring stood (what the dead server held is lost, nothing is
# played twice), sample for sample, and a pause and resume after it are
# still exact. The Linux program's streams see the server go; the Windows
# program's device (wine's driver) takes every buffer and hands none back,
# which the program notices after two looks a second apart.
#
# Variants:
#   playing   the tones play when the server dies
#   late      the same with the server back only after 5 s, by when a
#             client that gave up after its first retry would stay silent
#   sweep     the tones and the sweep play; both come back, sample for sample,
#             the sweep going on from where it stood, not from its start
#             (the Linux program)
#   paused    ON/OFF is pressed when the server dies: silence after its
#             return until ON/OFF is released, then the tones, exact
#   gone      the server never comes back: the program goes on answering
#             (the About box opens and closes) and a close ends it with 0
#             at once
case $variant in playing | late | sweep | paused | gone) ;; *) e2e_fail "unknown variant '$variant'" ;; esac
# What the dead server held is lost: the stream's 0.4 s at most, and what the
# recorder had not yet written. With 1001 Hz the tones repeat every second,
# so a stretch played twice would read as a skip of a second less its
# length: the limit keeps repeats of up to 0.45 s from passing as loss.
readonly max_skip=0.55
part1="$E2E_ARTIFACTS/recording-1.raw"
part2="$E2E_ARTIFACTS/recording-2.raw"
whole="$E2E_ARTIFACTS/recording.raw"
rec=$part1

# Lines of the program's standard error that tell of a lost server.
said_gone() { grep -c "$lost_sound_said" "$E2E_RUN/logs/tonegen.log"; }
has_said_gone() { [ "$(said_gone)" -ge 1 ]; }

# Kills the server while the recorder runs, starts it again on the same socket
# after half a second (5 s when late) and records from it into part 2. Sets
# back_us (when the server answered) and rec_started_us (when the new
# recorder began).
restart_server() {
  killed_at=$(mark)
  e2e_kill_pulse
  e2e_log "the server died at recording sample $killed_at"
  if [ "$variant" = late ]; then sleep 5; else sleep 0.5; fi
  e2e_start_pulse
  back_us=$(e2e_now)
  rec=$part2
  rec_started_us=$(e2e_now)
  e2e_record_start "$rec"
}

has_sound() { [ -n "$(info_value first_sound)" ]; }

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"
start_program

# 1001 Hz while paused: the ring was filled with the defaults, so the change
# reaches the stream at its ninth buffer.
type_into_field 3 1001
click_control "$on_off"
record_for "$clicked_at" 3
if [ "$variant" = sweep ]; then
  sweep_on=$(mark)
  click_control "$sweep_toggle"
  record_for "$clicked_at" 4
  before=$(e2e_analyse peak-track "$rec" --start "$clicked_at" --seconds 4 --exclude-tones --guard 20 \
    --window 0.2 --step 0.1 --law "$sweep_law") || e2e_fail "no sweep before the server died: $before"
  sweep_start=$(value_of sweep_start <<<"$before")
fi
if [ "$variant" = paused ]; then
  click_control "$on_off"
  record_for "$clicked_at" 1.5
fi

if [ "$variant" = gone ]; then
  e2e_kill_pulse
  e2e_log "the sound server stays away"
  e2e_until $((sound_back_limit + 1)) 0.1 has_said_gone ||
    e2e_fail "nothing on standard error about the lost server"
  sleep 2
  [ "$(said_gone)" = 1 ] || e2e_fail "standard error told of the lost server $(said_gone) times, expected once"
  e2e_running "$E2E_APP_PID" || e2e_fail "the program ended when its sound server went away"
  click_control "$about_toggle"
  box=$(e2e_about_box 5) || e2e_fail "no About box 5 s after ABOUT was clicked without a sound server"
  e2e_about_ok "$box"
  e2e_wait_window_gone "$box" 5 || e2e_fail "the About box stays after OK"
  close_program
  return 0
fi

restart_server
record_for 0 3

if [ "$variant" = paused ]; then
  # Held: nothing comes back until ON/OFF is released.
  record_for 0 4
  e2e_analyse silence "$rec" || e2e_fail "sound after the server's return while ON/OFF is pressed"
  click_control "$on_off"
  record_for "$clicked_at" 3
  record_for "$clicked_at" "$resume_limit"
  e2e_analyse starts "$rec" --after "$clicked_at" --within "$resume_limit" ||
    e2e_fail "no sound $resume_limit s after ON/OFF was released"
else
  # Within the limit of the server's answer; part 2 begins when its recorder did.
  e2e_until $((sound_back_limit + 2)) 0.1 has_sound ||
    e2e_fail "no sound within $((sound_back_limit + 2)) s of the server's return"
  recorder_late=$((rec_started_us - back_us))
  ((recorder_late < sound_back_limit * 1000000)) ||
    e2e_fail "the recorder began $(e2e_elapsed "$back_us" "$rec_started_us") s after the server"
  limit_us=$((sound_back_limit * 1000000 - recorder_late))
  e2e_analyse starts "$rec" --after 0 --within "$((limit_us / 1000000)).$(printf '%06d' $((limit_us % 1000000)))" ||
    e2e_fail "the sound came back later than $sound_back_limit s after the server ($(e2e_elapsed "$back_us" "$rec_started_us") s of it before the recorder)"
  record_for "$(info_value first_sound)" 4
fi

# Said once per stream that was playing, however many tries it took.
streams=1
[ "$variant" = sweep ] && streams=2
[ "$(said_gone)" = $streams ] ||
  e2e_fail "standard error told of the lost server $(said_gone) times, expected $streams: $(grep tonegen "$E2E_RUN/logs/tonegen.log")"

if [ "$variant" = sweep ]; then
  # On its course: the law puts its 20 Hz later than before by at most the
  # time the server was away from the recording plus what the server held,
  # and never earlier, which a sweep started again would do.
  from=$(info_value first_sound)
  after=$(e2e_analyse peak-track "$rec" --start $((from + rate / 2)) --seconds 3 --exclude-tones --guard 20 \
    --window 0.2 --step 0.1 --law "$sweep_law") || e2e_fail "no sweep on its law after the server's return: $after"
  after_start=$(value_of sweep_start <<<"$after")
  # In the two recordings joined: part 1's samples, then part 2's.
  # Moved later by the silence before the player's stream came back, earlier
  # by what the dead server held of it.
  moved=$(($(e2e_recorded_samples "$part1") + after_start - sweep_start))
  e2e_log "the sweep came back at $(value_of lowest_hz <<<"$after") Hz, its course moved by" \
    "$(seconds_between 0 $moved) s across the restart"
  ((moved >= -$(samples_in $max_skip) && moved <= from + rate / 2)) ||
    e2e_fail "the sweep's course moved by $(seconds_between 0 $moved) s: not the sweep going on"
  # Marked before the click: the sweep may stop before a mark after it.
  sweep_off=$(mark)
  click_control "$sweep_toggle"
  record_for "$clicked_at" 1.5
fi

# A pause and a resume after the return.
click_control "$on_off"
record_for "$clicked_at" 1.5
click_control "$on_off"
record_for "$clicked_at" 3
e2e_record_stop

cat "$part1" "$part2" >"$whole"
join=$(e2e_recorded_samples "$part1")
rec=$whole
if [ "$variant" = sweep ]; then
  result=$(e2e_analyse mixture "$part1" --until "$killed_at" --source sweep="$TONEGEN_SWEEP_WAV" \
    --source pink="$TONEGEN_PINK_WAV" --source-volume "$test_signal_volume" --freq 3=1001@8 --expect-events sweep+) ||
    e2e_fail "before the server died the recording is not the tones plus the sweep: $result"
  e2e_log "before the restart: $(value_of explained <<<"$result") samples are the tones plus the sweep exactly"
  # The tones alone, from before the sweep to after it: the tone stream after
  # the restart goes on from where it stood, exact across the pause.
  head -c $((2 * sweep_on)) "$part1" >"$whole"
  tail -c +$((2 * (sweep_off + rate / 2) + 1)) "$part2" >>"$whole"
  result=$(e2e_analyse compare "$rec" --freq 3=1001@8 --join "$sweep_on" --max-skip 30 --expect-pauses 1) ||
    e2e_fail "the tones across the restart are not the synthesised stream: $result"
  e2e_log "tones: $(value_of compared <<<"$result") samples exact around the sweep, across the restart and a pause"
  # After the return, from a point where both streams are back (1.5 s after
  # the first sound) to the sweep's stop: the tones where the comparison put
  # them, plus the sweep going on from near where its law puts it, sample
  # for sample.
  cut_at=$((sweep_off + rate / 2))
  back_from=$((from + 3 * rate / 2))
  tones_at=$(($(value_of resume_reference <<<"$result") - (cut_at - back_from)))
  # With 1001 Hz the tones repeat every second, so that position is known to
  # whole seconds only; any one past the ninth buffer (where 1001 Hz begins)
  # gives the same samples.
  while ((tones_at < 8 * 12288)); do tones_at=$((tones_at + rate)); done
  after_cut="$E2E_ARTIFACTS/recording-after.raw"
  e2e_log "after the return: part 2 from $back_from to $sweep_off, the tones from their sample $tones_at," \
    "the sweep near its sample $((back_from - after_start))"
  tail -c +$((2 * back_from + 1)) "$part2" | head -c $((2 * (sweep_off - back_from))) >"$after_cut"
  result=$(e2e_analyse mixture "$after_cut" --source sweep="$TONEGEN_SWEEP_WAV" --source pink="$TONEGEN_PINK_WAV" \
    --source-volume "$test_signal_volume" --freq 3=1001@8 --tones-from "$tones_at" \
    --going-on "sweep=$((back_from - after_start)),$(samples_in 0.3)" --expect-events sweep+) ||
    e2e_fail "after the return the recording is not the tones plus the sweep going on: $result"
  e2e_log "after the return: $(value_of explained <<<"$result") samples are the tones plus the sweep exactly"
else
  expected_pauses=1
  [ "$variant" = paused ] && expected_pauses=2
  result=$(app_compare "$rec" --freq 3=1001@8 --join "$join" --max-skip $max_skip \
    --expect-pauses $expected_pauses) ||
    e2e_fail "the stream across the restart is not the synthesised one: $result"
  e2e_log "$(value_of compared <<<"$result") samples exact across the restart and a pause;" \
    "$(sed -n 's/^resume=.*(\(.*\))$/\1/p' <<<"$result") of the stream lost with the dead server"
fi
close_program
