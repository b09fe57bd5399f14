// What every page shares: figures in French, texts always set as text, never as markup.
"use strict";

const chromaflow = (() => {
  const nombre = (value, digits = 2) =>
    value === null || value === undefined ? "" : Number(value).toLocaleString("fr-FR", {
      minimumFractionDigits: digits, maximumFractionDigits: digits });

  const date = (ms) => ms ? new Date(ms).toLocaleString("fr-FR", {
    day: "2-digit", month: "2-digit", year: "numeric", hour: "2-digit", minute: "2-digit" }) : "";

  const duree = (ms) => {
    const s = Math.round(ms / 1000);
    const h = Math.floor(s / 3600), m = Math.floor((s % 3600) / 60), r = s % 60;
    return (h ? h + " h " : "") + (h || m ? String(m).padStart(h ? 2 : 1, "0") + " min " : "") +
      String(r).padStart(h || m ? 2 : 1, "0") + " s";
  };

  // An element with its text (never parsed as markup) and its class.
  const element = (tag, text, className) => {
    const e = document.createElement(tag);
    if (text !== undefined && text !== null) e.textContent = String(text);
    if (className) e.className = className;
    return e;
  };

  const cell = (row, text, className) => row.appendChild(element("td", text, className));

  const lire = async (address) => {
    const answer = await fetch(address, { credentials: "same-origin", cache: "no-store" });
    let body = null;
    try { body = await answer.json(); } catch (e) { body = null; }
    if (!answer.ok) throw new Error(body && body.erreur ? body.erreur : "Erreur " + answer.status);
    return body;
  };

  const montrerErreur = (id, error) => {
    const e = document.getElementById(id);
    e.textContent = error ? String(error.message || error) : "";
    e.hidden = !error;
  };

  return { nombre, date, duree, element, cell, lire, montrerErreur };
})();

// "Se déconnecter" where an access password is asked.
document.addEventListener("DOMContentLoaded", () => {
  chromaflow.lire("/api/acces").then((acces) => {
    const sortie = document.getElementById("sortie");
    if (sortie) sortie.hidden = !acces.motDePasse;
  }, () => {});
});
