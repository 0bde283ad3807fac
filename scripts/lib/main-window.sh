# Sourced by the scripts that work the program's main window on an X display with xdotool:
# the screenshots, and the package test that closes the window the way a technician does.

# answer_operator_prompt NAME: types NAME into the start-up prompt and presses Return; prints
# the main window's id once the prompt has gone.
answer_operator_prompt() {
    local prompt main
    prompt=$(timeout 30 xdotool search --sync --onlyvisible --name '^Operator Name$' | head -n 1) || true
    [ -n "$prompt" ] || { echo "no \"Operator Name\" prompt within 30 s" >&2; return 1; }
    xdotool windowfocus --sync "$prompt"
    xdotool type --delay 20 "$1"
    xdotool key Return
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name '^Operator Name$' >/dev/null || break
        sleep 0.1
    done
    main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Q7 Upgrade Utility$' | head -n 1) || true
    [ -n "$main" ] || { echo "no main window within 30 s" >&2; return 1; }
    echo "$main"
}

# exit_from_file_menu WINDOW: "File", "Exit", which saves the settings. The menu bar has no
# keyboard shortcut, so the click is retried if a busy machine opened the menu too late for
# the keys.
exit_from_file_menu() {
    for _ in 1 2 3 4 5; do
        xdotool mousemove --window "$1" 19 8 click 1
        sleep 0.5
        xdotool key Down Return
        for _ in $(seq 30); do
            xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
            sleep 0.1
        done
    done
    echo "the main window did not close from File, Exit" >&2
    return 1
}
