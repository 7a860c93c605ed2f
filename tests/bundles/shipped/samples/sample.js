#!/usr/bin/env node
// A sample of JavaScript.
import { readFile } from "fs";

const limit = 0x1F, big = 1_000n, small = .25e-2;
let name = 'it\'s', path = "C:\\temp\u0041";

function* counter(start) {
    yield start++;
}

const square = (x) => x * x;
const half = async function (n) { return await n / 2; };

class Shape extends Base {
    static create() {
        return new Shape(this.size ?? 0);
    }
}

const pattern = /ab+c[/]\d/gi, ratio = limit / 2 / 4;
if (!/^#/.test(name) && typeof name === "string") {
    console.log(`Hello ${name.toUpperCase()}, ${ { a: 1 }.a } times
and \` more`);
}
/* done */ export default Shape;
function isHex(s) { return /^[0-9a-f]+$/i.test(s); }
