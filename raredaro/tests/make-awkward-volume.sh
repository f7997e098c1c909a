#!/usr/bin/env bash
# A volume with a folder name the ANSI code page cannot hold, one it can
# only approximate, a path past 259 characters and a link back to the root.
set -eu
v=$1
rm -rf "$v"; mkdir -p "$v"
touch "$v/plain.txt"
mkdir -p "$v/日本語フォルダ" "$v/Ωmega"
touch "$v/日本語フォルダ/a.txt" "$v/Ωmega/b.txt"
deep=$v
for i in $(seq 1 12); do deep=$deep/folder-with-a-rather-long-name-$i; done
mkdir -p "$deep"; touch "$deep/deep.txt"
ln -s .. "$v/Ωmega/up"
