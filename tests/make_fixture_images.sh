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

# A document: a title, a paragraph, a bullet list with a wrapped item, a
# numbered list with nested items, a ruled table and a borderless table.
bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
convert -size 900x1180 xc:white -fill black -font "$bold" -pointsize 34 \
  -annotate +40+70 'Quarterly Planning' \
  -font "$sans" -pointsize 18 \
  -annotate +40+130 'This page collects the plans of the team for the next quarter.' \
  -annotate +40+156 'Each section lists owners and dates where they are known.' \
  -annotate +60+215 '•' -annotate +85+215 'Ship the new calendar view' \
  -annotate +60+245 '•' -annotate +85+245 'Move the build servers and the test machines to the new data centre' \
  -annotate +85+271 'before the end of the month' \
  -annotate +60+301 '•' -annotate +85+301 'Review the hiring plan' \
  -annotate +40+370 'Milestones are in this order:' \
  -annotate +60+420 '1.' -annotate +90+420 'Design review' \
  -annotate +60+450 '2.' -annotate +90+450 'Prototype' \
  -annotate +95+480 'a.' -annotate +125+480 'Desktop' \
  -annotate +95+510 'b.' -annotate +125+510 'Mobile' \
  -annotate +60+540 '3.' -annotate +90+540 'Launch' \
  -annotate +40+610 'Budget by team' \
  -fill none -stroke black -strokewidth 2 \
  -draw 'rectangle 40,630 620,790' -draw 'line 40,670 620,670' -draw 'line 40,710 620,710' \
  -draw 'line 40,750 620,750' -draw 'line 260,630 260,790' -draw 'line 440,630 440,790' \
  -stroke none -fill black \
  -annotate +55+658 'Team' -annotate +275+658 'Budget' -annotate +455+658 'Owner' \
  -annotate +55+698 'Design' -annotate +275+698 '12000' -annotate +455+698 'Mia' \
  -annotate +55+738 'Platform' -annotate +275+738 '30000' -annotate +455+738 'Omar' \
  -annotate +55+778 'Support' -annotate +275+778 '8000' -annotate +455+778 'Lena' \
  -annotate +40+860 'Room bookings' \
  -annotate +40+910 'Room' -annotate +300+910 'Day' -annotate +520+910 'Time' \
  -annotate +40+945 'Atlas' -annotate +300+945 'Monday' -annotate +520+945 '10:00' \
  -annotate +40+980 'Borealis' -annotate +300+980 'Wednesday' -annotate +520+980 '14:30' \
  -annotate +40+1015 'Cygnus' -annotate +300+1015 'Friday' -annotate +520+1015 '09:15' \
  -annotate +40+1080 'Questions go to the planning channel.' \
  -colorspace Gray -depth 8 -strip "$out/document.png"

# Two columns of prose: each column is read on its own.
convert -size 900x300 xc:white -fill black -font "$sans" -pointsize 17 \
  -annotate +40+60 'The left column starts here and' \
  -annotate +40+84 'keeps going for a few lines of' \
  -annotate +40+108 'text about the morning plans.' \
  -annotate +480+60 'The right column tells about' \
  -annotate +480+84 'the evening and what happens' \
  -annotate +480+108 'after the meeting is over.' \
  -colorspace Gray -depth 8 -strip "$out/two_columns.png"

# A dark-mode settings screenshot with 12 px text and a short list.
convert -size 520x200 xc:'#202124' -fill '#e8eaed' -font "$bold" -pointsize 20 \
  -annotate +20+36 'Privacy' -font "$sans" -pointsize 12 \
  -annotate +20+70 'Choose what the app may use on this computer.' \
  -annotate +28+100 '-' -annotate +42+100 'Camera access is off' \
  -annotate +28+120 '-' -annotate +42+120 'Microphone access is on' \
  -annotate +28+140 '-' -annotate +42+140 'Location access asks every time' \
  -depth 8 -strip "$out/dark_settings.png"

# A light page with a dark sidebar of six entries.
convert -size 760x360 xc:white -fill '#26282c' -draw 'rectangle 0,0 200,360' \
  -fill '#f0f0f0' -font "$sans" -pointsize 15 \
  -annotate +24+50 'Inbox' -annotate +24+90 'Drafts' -annotate +24+130 'Sent' \
  -annotate +24+170 'Archive' -annotate +24+210 'Spam' -annotate +24+250 'Trash' \
  -fill '#202020' -font "$bold" -pointsize 22 -annotate +240+60 'Welcome back' \
  -font "$sans" -pointsize 15 \
  -annotate +240+110 'You have three new messages since yesterday.' \
  -annotate +240+134 'Two of them are from your team.' \
  -depth 8 -strip "$out/dark_sidebar.png"

# Unusual image files: each must give one JSON line with the right status.
mkdir -p "$out/odd"
convert -size 1x1 xc:white "$out/odd/one_pixel.png"
convert -delay 50 -size 260x60 -font "$sans" -pointsize 22 \
  \( xc:white -annotate +10+40 'First frame' \) \( xc:white -annotate +10+40 'Second frame' \) \
  -loop 0 "$out/odd/animated.gif"
convert -size 300x60 xc:white -font "$sans" -pointsize 22 -annotate +10+40 'Sixteen bits' \
  -colorspace Gray -depth 16 -define png:bit-depth=16 -define png:color-type=0 "$out/odd/deep16.png"
convert -size 300x60 xc:none -fill black -font "$sans" -pointsize 22 \
  -annotate +10+40 'Transparent ground' -depth 8 "PNG32:$out/odd/alpha.png"
convert -size 300x60 xc:white -font "$sans" -pointsize 22 -annotate +10+40 'Printed in CMYK' \
  -colorspace CMYK -quality 90 "$out/odd/cmyk.jpg"
convert -size 300x60 xc:white -font "$sans" -pointsize 22 -annotate +10+40 'Damaged midway' \
  -quality 90 "$out/odd/damaged.jpg"
# Overwrite the middle of the compressed data.
size=$(stat -c %s "$out/odd/damaged.jpg")
printf '\377\377\377\377\377\377\377\377\377\377\377\377\377\377\377\377' |
  dd of="$out/odd/damaged.jpg" bs=1 seek=$((size / 2)) conv=notrunc 2>/dev/null
