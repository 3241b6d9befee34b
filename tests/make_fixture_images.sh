#!/bin/sh
# Renders the committed test images from known text. Not run by the build or the tests:
# run it by hand after changing a text below, then commit the images.
# Needs: imagemagick fonts-dejavu-core fonts-noto-cjk
set -eu
out="$(dirname "$0")/fixtures/images"
mkdir -p "$out"
sans=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
cjk=/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc

# render FILE FONT PIXELS TEXT [extra convert options]: black text on white, 24 px margin.
render() {
  file=$1 font=$2 size=$3 text=$4
  shift 4
  convert -background white -fill black -font "$font" -pointsize "$size" \
    "$@" label:"$text" -bordercolor white -border 24 \
    -colorspace Gray -depth 8 -strip "$out/$file"
}

render one_paragraph.png "$sans" 22 "The quick brown fox jumps over the lazy dog.
Pack my box with five dozen liquor jugs.
How vexingly quick daft zebras jump."

render two_paragraphs.png "$sans" 22 "Meeting notes from the design review.
Everyone agreed on the new layout.


Next steps are listed in the tracker.
Reviews happen every Thursday."

convert -size 320x200 xc:white -colorspace Gray -depth 8 -strip "$out/blank.png"

# Screenshot-like: small 13 px interface text, a grey title bar, no resolution in the file.
convert -size 760x260 xc:'#f4f4f4' -fill '#dddddd' -draw 'rectangle 0,0 760,36' \
  -fill '#222222' -font "$sans" -pointsize 13 \
  -annotate +16+24 'Settings - Notifications' \
  -annotate +16+80 'Show previews of new messages on the lock screen.' \
  -annotate +16+98 'Play a sound when a message arrives from a contact.' \
  -annotate +16+150 'Quiet hours start at 22:00 and end at 07:00 every day.' \
  -annotate +16+168 'Calls from favourites still ring during quiet hours.' \
  -depth 8 -strip "$out/screenshot.png"

render dark.png "$sans" 20 "Dark themes are common on desktops.
Light text sits on a dark background." -background '#1e1e1e' -fill '#e0e0e0'

render chinese_simplified.png "$cjk" 24 "今天下午三点在会议室开会。
请大家准时参加并带上电脑。" -font "Noto-Sans-CJK-SC"
render chinese_traditional.png "$cjk" 24 "今天下午三點在會議室開會。
請大家準時參加並帶上電腦。" -font "Noto-Sans-CJK-TC"
render japanese.png "$cjk" 24 "明日の会議は午後三時から始まります。
資料を忘れずに持ってきてください。" -font "Noto-Sans-CJK-JP"
render korean.png "$cjk" 24 "내일 회의는 오후 세 시에 시작합니다.
자료를 꼭 가져오세요." -font "Noto-Sans-CJK-KR"
render mixed_en_zh.png "$cjk" 22 "Project status report for this week.
项目进度良好，下周发布新版本。
All tests pass on the build server." -font "Noto-Sans-CJK-SC"

# 9 px type: read well only after the engine's 2x upscale.
render small_text.png "$sans" 9 "Small print matters in settings dialogs.
Tiny labels still need to be read correctly."
