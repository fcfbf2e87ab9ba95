#!/usr/bin/env bash
# The page in headless Chromium (WebGL 2 on SwiftShader), driven by page_client.py: the picture it
# draws against the native baseline, its console, and the message it shows where it cannot draw.
# usage: page.sh CASE page=WEB_BUILD_DIR imgdiff=... baseline=... limits="..."
source "$(dirname "$0")/../lib/common.sh"
client=$(dirname "$0")/page_client.py

# load_page [CLIENT OPTIONS]: the page loaded once; what it showed and said is in $work/page.
load_page() {
  mkdir -p "$work/page"
  run_for 300 python3 "$client" "$page" "$work/page" "$@"
  [[ $status -eq 0 ]] || fail "the page could not be loaded: $(cat "$work/err")"
  state=$(cat "$work/page/state")
  # The program's own lines, as the console got them ("LEVEL URL LINE:COLUMN \"TEXT\"").
  sed -n 's/^[A-Z]* [^ ]* [0-9:]* "\(.*\)"$/\1/p' "$work/page/console.txt" >"$work/out"
}

# The page failed with `line` in its message and on the console as an error, and drew nothing:
# its canvas is not the picture (the negative control of the picture's limits).
failed_with() {
  [[ $state == failed ]] || fail "the page should have failed, its state is $state"
  grep -q -F -- "$1" "$work/page/message" || fail "the page's message lacks '$1': $(cat "$work/page/message")"
  grep -q -F -- "$2" "$work/page/message" || fail "the page's message lacks '$2': $(cat "$work/page/message")"
  ! "$imgdiff" "$baseline" "$work/page/canvas.png" "${baseline_limits[@]}" >"$work/imgdiff" ||
    fail "a page that drew nothing matches the picture: $(cat "$work/imgdiff")"
}

case "$case_name" in
  picture)
    # Every way a page can have work done later, counted from the start: nothing may be asked for
    # once the picture is drawn.
    cat >"$work/count.js" <<'JS'
window.laterWork = { asked: 0, whenDrawn: -1 };
for (const name of ['requestAnimationFrame', 'setTimeout', 'setInterval', 'queueMicrotask']) {
  const own = window[name];
  window[name] = function (...args) { window.laterWork.asked++; return own.apply(this, args); };
}
new MutationObserver(() => {
  if (document.body.dataset.state === 'drawn' && window.laterWork.whenDrawn < 0)
    window.laterWork.whenDrawn = window.laterWork.asked;
}).observe(document, { attributes: true, subtree: true, attributeFilter: ['data-state'] });
JS
    load_page --before-load "$work/count.js" --after-drawn 'window.laterWork.asked - window.laterWork.whenDrawn'
    [[ $state == drawn ]] || fail "the page did not draw, its state is $state: $(cat "$work/page/message")"
    echo "first frame $(cat "$work/page/first-frame-ms") ms after the page began loading"
    [[ $(cat "$work/page/after-drawn") == 0 ]] ||
      fail "the page asked for more work $(cat "$work/page/after-drawn") times within a second of drawing"
    check_log_lines "$work/out"
    others=$(grep -v '^INFO ' "$work/page/console.txt")
    [[ -z "$others" ]] || fail "the console holds more than the log lines: $others"
    same_picture "$baseline" "$work/page/canvas.png" "${baseline_limits[@]}"
    ;;
  grid-doily)
    # A GL on which the doily's capture programs do not link: the doily is drawn from its grid,
    # quads split into triangles in the page, and the picture is the same.
    cat >"$work/no-capture.js" <<'JS'
const getProgramParameter = WebGL2RenderingContext.prototype.getProgramParameter;
WebGL2RenderingContext.prototype.getProgramParameter = function (program, name) {
  const capture = this.getAttachedShaders(program).some(
      (s) => this.getShaderSource(s).includes('void main(){o=vec4(0.0);}'));
  return capture && name === this.LINK_STATUS ? false : getProgramParameter.call(this, program, name);
};
JS
    load_page --before-load "$work/no-capture.js"
    [[ $state == drawn ]] || fail "the page did not draw, its state is $state: $(cat "$work/page/message")"
    check_log_lines "$work/out"
    same_picture "$baseline" "$work/page/canvas.png" "${baseline_limits[@]}"
    ;;
  no-webgl2)
    # A browser with WebGL 1 only: the page says what it needs and what the browser offers.
    load_page --arg --disable-webgl2
    line="swancage: needs WebGL 2 (OpenGL ES 3.0 with GLSL ES 3.00); this browser offers WebGL 1 only."
    failed_with "$line" "swancage stopped with status 255"
    grep -q -F "SEVERE" "$work/page/console.txt" && grep -q -F -- "$line" "$work/out" ||
      fail "the console lacks the error line: $(cat "$work/page/console.txt")"
    ;;
  shader-fails)
    # A driver that rejects every shader, with its own info log: the page shows the log.
    cat >"$work/reject.js" <<'JS'
WebGL2RenderingContext.prototype.getShaderParameter = function (shader, name) {
  return name === this.COMPILE_STATUS ? false : 0;
};
WebGL2RenderingContext.prototype.getShaderInfoLog = () => '0:1(1): error: rejected by the test';
JS
    load_page --before-load "$work/reject.js"
    failed_with "0:1(1): error: rejected by the test" "swancage stopped with status 1"
    ;;
  *) fail "unknown case $case_name" ;;
esac
pass
