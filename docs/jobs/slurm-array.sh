#!/usr/bin/env bash
# Stamps a large set of pictures as a Slurm job array: every task runs
# imbrino-cli on the same list and takes its own share of it from
# SLURM_ARRAY_TASK_ID (of SLURM_ARRAY_TASK_COUNT), so the tasks stamp every
# picture once between them. Resubmitting after a failure or a cancel redoes
# only what is missing (--skip-existing).
#
#   find /shared/photos -type f -print0 > /shared/list.nul
#   sbatch --array=1-16 slurm-array.sh
#
# The list, the template and the output folder must be on storage every
# node sees.
#SBATCH --job-name=imbrino-stamp
#SBATCH --cpus-per-task=4
#SBATCH --mem=4G
#SBATCH --time=04:00:00
#SBATCH --output=imbrino-%A_%a.log
set -euo pipefail

LIST=/shared/list.nul
TEMPLATE=/shared/mark.src
OUT=/shared/stamped

imbrino-cli batch --template "$TEMPLATE" --out "$OUT" \
  --files-from "$LIST" --null \
  --jobs "${SLURM_CPUS_PER_TASK:-1}" \
  --skip-existing --quiet \
  --report-json "$OUT/report-${SLURM_ARRAY_TASK_ID}.jsonl"
