#!/bin/sh
# Makes the labelled contact sheet of the pack's pictures (docs/pictures.png)
# from a generated pack: each picture at the aspect its scene shows it, pixel
# art magnified with nearest filtering, a picture with an alpha picture cut
# out by it over grey. The pictures and how they are shown come from
# 'kelvane-inspect list': the one beside DATA_DIR (build/kelvane-inspect for
# build/data), else $KELVANE_INSPECT, else the one on the PATH.
#   tools/assetgen/contact_sheet.sh build/data docs/pictures.png
set -e
data=${1:?usage: contact_sheet.sh DATA_DIR OUT.png}
out=${2:?usage: contact_sheet.sh DATA_DIR OUT.png}
inspect=$data/../kelvane-inspect
[ -x "$inspect" ] || inspect=${KELVANE_INSPECT:-kelvane-inspect}
list=$("$inspect" list)
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
cw=300; ch=230; pw=280; ph=180

inputs=""; filters=""; cells=""; i=0; n=0
while read -r name kind aspect filter alpha; do
  case $kind in picture | alpha) ;; *) continue ;; esac
  scaler=bicubic
  [ "$filter" = nearest ] && scaler=neighbor
  w=$(awk -v a="$aspect" -v pw=$pw -v ph=$ph 'BEGIN{w=ph*a; if (w>pw) w=pw; printf "%d", w/2*2}')
  h=$(awk -v a="$aspect" -v w="$w" -v ph=$ph 'BEGIN{h=w/a; if (h>ph) h=ph; printf "%d", h/2*2}')
  if [ -n "$alpha" ]; then
    inputs="$inputs -i $data/$name -i $data/$alpha"
    filters="$filters[$i:v][$((i+1))]alphamerge,format=rgba[a$n];color=c=0x404048:s=256x256[g$n];[g$n][a$n]overlay,"
    i=$((i+2))
  else
    inputs="$inputs -i $data/$name"
    filters="$filters[$i:v]"
    i=$((i+1))
  fi
  filters="${filters}scale=${w}:${h}:flags=${scaler},pad=${cw}:${ch}:(ow-iw)/2:14:color=0x18181c,"
  filters="${filters}drawtext=fontfile=${font}:text='${name}':fontcolor=0xd0d0d8:fontsize=15:x=(w-tw)/2:y=${ch}-28[c$n];"
  cells="$cells[c$n]"
  n=$((n+1))
done <<END
$list
END
layout=""
c=0
while [ $c -lt $n ]; do
  layout="$layout$((c%4*cw))_$((c/4*ch))|"
  c=$((c+1))
done
ffmpeg -loglevel error -y $inputs -filter_complex \
  "${filters}${cells}xstack=inputs=$n:layout=${layout%|}:fill=0x18181c,format=rgb24" -frames:v 1 "$out"
