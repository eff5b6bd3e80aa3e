// Writes every ```js block of the "Examples" section of a Markdown guide to
// its own file in a folder, named after the guide line where the code
// starts, and prints how many there were. Used by scripts/check-typescript.sh
// so that the guide's complete examples are type-checked like the example
// scripts.
//
// Usage: node extract_guide_examples.cjs GUIDE.md OUT_FOLDER
"use strict";
const fs = require("fs");
const path = require("path");

const [guide, out] = process.argv.slice(2);
const lines = fs.readFileSync(guide, "utf8").split("\n");
let inExamples = false;
let block = null;
let firstLine = 0;
let count = 0;
lines.forEach((line, i) => {
  if (line.startsWith("## ")) inExamples = line.trim() === "## Examples";
  if (!inExamples) return;
  if (block === null) {
    if (line.trim() === "```js") {
      block = [];
      firstLine = i + 2;  // lines count from 1, and the code starts below the fence
    }
    return;
  }
  if (line.trim() === "```") {
    const name = `${path.basename(guide)}-line-${firstLine}.js`;
    fs.writeFileSync(path.join(out, name), block.join("\n") + "\n");
    block = null;
    count++;
    return;
  }
  block.push(line);
});
process.stdout.write(String(count));
