#!/bin/sh
# Makes the labelled contact sheet of the sixteen pictures (docs/pictures.png)
# from a generated pack: each picture at the aspect its scene shows it, the
# pixel-art tile magnified with nearest filtering, the trumpet cut out by its
# alpha picture over grey.
#   tools/assetgen/contact_sheet.sh build/data docs/pictures.png
set -e
data=${1:?usage: contact_sheet.sh DATA_DIR OUT.png}
out=${2:?usage: contact_sheet.sh DATA_DIR OUT.png}
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
cw=300; ch=230; pw=280; ph=180

# name:display aspect:scaler
list="log2:1.125:bicubic kel:1.125:bicubic log1:4:bicubic trail:2:bicubic
image8:2:bicubic image10:2:bicubic image3:1.63:bicubic mortak:1.333:bicubic
vantoril:1.69:bicubic image4:1:neighbor spheremap:1:bicubic blob2:1:bicubic
image6:1.43:bicubic image11:1.43:bicubic trumpet:1:bicubic trumpetalpha:1:bicubic"

inputs=""; filters=""; i=0
for entry in $list; do
  name=${entry%%:*}; rest=${entry#*:}; aspect=${rest%%:*}; scaler=${rest#*:}
  w=$(awk -v a="$aspect" -v pw=$pw -v ph=$ph 'BEGIN{w=ph*a; if (w>pw) w=pw; printf "%d", w/2*2}')
  h=$(awk -v a="$aspect" -v w="$w" -v ph=$ph 'BEGIN{h=w/a; if (h>ph) h=ph; printf "%d", h/2*2}')
  if [ "$name" = trumpet ]; then
    inputs="$inputs -i $data/trumpet.bmp -i $data/trumpetalpha.bmp"
    filters="$filters[$i:v][$((i+1))]alphamerge,format=rgba[ta];color=c=0x404048:s=256x256[tg];[tg][ta]overlay,"
    i=$((i+2))
  else
    inputs="$inputs -i $data/$name.bmp"
    filters="$filters[$i:v]"
    i=$((i+1))
  fi
  filters="${filters}scale=${w}:${h}:flags=${scaler},pad=${cw}:${ch}:(ow-iw)/2:14:color=0x18181c,"
  filters="${filters}drawtext=fontfile=${font}:text='${name}.bmp':fontcolor=0xd0d0d8:fontsize=15:x=(w-tw)/2:y=${ch}-28[c$name];"
  cells="$cells[c$name]"
done
layout=""
for r in 0 1 2 3; do for c in 0 1 2 3; do
  layout="$layout$((c*cw))_$((r*ch))|"
done; done
ffmpeg -loglevel error -y $inputs -filter_complex \
  "${filters}${cells}xstack=inputs=16:layout=${layout%|}:fill=0x18181c" -frames:v 1 "$out"
